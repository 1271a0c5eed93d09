#include "platform/failure.h"

#include <windows.h>

#include "platform/text.h"

namespace platform {

void FailWithLastError(const std::wstring& context) {
    FailWithError(GetLastError(), context);
}

void FailWithError(unsigned long error, const std::wstring& context) {
    throw RunFailure{error, SystemErrorText(error), context};
}

std::wstring SystemErrorText(unsigned long error) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result;
    if (length != 0 && text != nullptr) {
        result.assign(text, length);
        LocalFree(text);
    }
    while (!result.empty() &&
           (result.back() == L'\r' || result.back() == L'\n' || result.back() == L' ')) {
        result.pop_back();
    }
    if (result.empty()) result = L"不明なエラーです。";
    return result;
}

std::wstring RightsHint(unsigned long error) {
    if (error != ERROR_ACCESS_DENIED) return {};
    return L"管理者に、この PC のユーザーが設定ファイルとログファイルを変更できるよう"
           L"アクセス許可の設定を依頼して下さい。";
}

std::wstring FailureMessageText(const RunFailure& failure) {
    std::wstring text =
        L"エラー番号 " + platform::DecimalText(failure.number) + L"：" + failure.description;
    if (!failure.context.empty()) text += L"\r\n\r\n" + failure.context;
    return text;
}

}  // namespace platform
