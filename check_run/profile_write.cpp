#include "check_run/profile_write.h"

#include <windows.h>

#include "check_run/run_state.h"
#include "platform/failure.h"
#include "support/profile_file.h"

unsigned long StoreProfileValue(const std::wstring& section, const std::wstring& key,
                                const std::wstring& value) {
    if (!RewriteKeepsText(RunState.IniPath)) return kProfileNotAnsi;
    return WriteIniString(RunState.IniPath, section, key, value);
}

std::wstring ProfileWriteErrorText(unsigned long error) {
    // Both refusals give this number: the file's text, or the value's. The
    // file is judged again to tell which.
    if (error == kProfileNotAnsi && !RewriteKeepsText(RunState.IniPath)) {
        return L"設定ファイルにシステムの ANSI コードページ (日本語版ではシフト JIS) "
               L"の文字でないデータがあるため、書き込むと内容が壊れます。"
               L"メモ帳で文字コードに「ANSI」を選んで保存し直して下さい。";
    }
    if (error == kTextNotAnsi) {
        return L"書き込む名前か値に、システムの ANSI コードページ (日本語版ではシフト JIS) "
               L"で表せない文字があるため、書き込みませんでした。"
               L"メモ帳で設定ファイルを文字コード「Unicode」で保存し直すと書き込めます。";
    }
    return platform::SystemErrorText(error) + platform::RightsHint(error);
}

void RefuseUnopenableProfile() {
    const unsigned long error = ProfileOpenError(RunState.IniPath);
    if (error == ERROR_SUCCESS) return;
    throw platform::RunFailure{error,
                               platform::SystemErrorText(error) + platform::RightsHint(error),
                               L"設定ファイルを開けません：" + RunState.IniPath};
}

void RefuseMisreadProfile() {
    if (!IsMisreadUtf8(RunState.IniPath)) return;
    throw platform::RunFailure{
        kProfileNotAnsi,
        L"設定ファイルが UTF-8 で保存されているため、Windows では正しく読めません。"
        L"メモ帳で文字コードに「ANSI」を選んで保存し直して下さい。",
        L"設定ファイルを読めません：" + RunState.IniPath};
}
