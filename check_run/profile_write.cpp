#include "check_run/profile_write.h"

#include "check_run/run_state.h"
#include "platform/failure.h"
#include "support/profile_file.h"

unsigned long StoreProfileValue(const std::wstring& section, const std::wstring& key,
                                const std::wstring& value) {
    if (!RewriteKeepsBytes(RunState.IniPath)) {
        throw platform::RunFailure{
            kProfileNotAnsi,
            L"設定ファイルがシステムの ANSI コードページ (日本語版ではシフト JIS) "
            L"で保存されていないため、書き込むと内容が壊れます。ANSI で保存し直して下さい。",
            L"設定ファイルに書き込めません：" + RunState.IniPath};
    }
    return WriteIniString(RunState.IniPath, section, key, value);
}
