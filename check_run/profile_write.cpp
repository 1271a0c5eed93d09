#include "check_run/profile_write.h"

#include "check_run/run_state.h"
#include "platform/failure.h"
#include "support/profile_file.h"

unsigned long StoreProfileValue(const std::wstring& section, const std::wstring& key,
                                const std::wstring& value) {
    if (!RewriteKeepsText(RunState.IniPath)) return kProfileNotAnsi;
    return WriteIniString(RunState.IniPath, section, key, value);
}

std::wstring ProfileWriteErrorText(unsigned long error) {
    if (error == kProfileNotAnsi) {
        return L"設定ファイルにシステムの ANSI コードページ (日本語版ではシフト JIS) "
               L"の文字でないデータがあるため、書き込むと内容が壊れます。"
               L"メモ帳で文字コードに「ANSI」を選んで保存し直して下さい。";
    }
    return platform::SystemErrorText(error) + platform::RightsHint(error);
}

void RefuseMisreadProfile() {
    if (!IsMisreadUtf8(RunState.IniPath)) return;
    throw platform::RunFailure{
        kProfileNotAnsi,
        L"設定ファイルが UTF-8 で保存されているため、Windows では正しく読めません。"
        L"メモ帳で文字コードに「ANSI」を選んで保存し直して下さい。",
        L"設定ファイルを読めません：" + RunState.IniPath};
}
