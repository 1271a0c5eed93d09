// Where the platform layer keeps the program within what Windows accepts and
// away from what another user could place beside it: event strings cut to
// the event log's limit, and system DLLs loaded by full path where the DLL
// search cannot be limited.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/files.h"
#include "common/stand_in.h"
#include "common/text.h"
#include "platform/dll_search.h"
#include "platform/event_log.h"

using namespace common;
using platform::EventString;

// Windows refuses an event with a string of more than 31,839 characters; a
// store path may have up to 32,767. The event is written with the string cut.
TEST(EventString, ALongerStringIsCutToTheEventLogsLimitWithAMark) {
    const std::wstring fits = L"C:\\" + std::wstring(31836, L'店');
    EXPECT_EQ(EventString(fits), fits);
    EXPECT_EQ(EventString(L""), L"");
    const std::wstring path = fits + L"\\受信トレイ";
    EXPECT_EQ(EventString(path), path.substr(0, 31838) + L"…");
    // Never half of a character outside the BMP (𠮷, two UTF-16 units).
    const std::wstring pairs = std::wstring(31837, L'a') + L"\U00020BB7\U00020BB7";
    EXPECT_EQ(EventString(pairs), std::wstring(31837, L'a') + L"…");
}

// Windows XP, and Vista and 7 without the update, have no
// SetDefaultDllDirectories: there the system's own copy of each DLL that the
// window and message-box paths load by name is loaded by full path before
// the first of them, and a later load by name finds it. lpk is the one that
// gdi32 asks for on Windows XP, usp10 lpk's own import, msimg32 the theme's.
// (Wine has the call, and its own DLLs ask for neither lpk nor usp10 by
// name: only this test sees those two. Wine has no lpk.dll at all.)
TEST(DllSearch, AfterTheFullPathLoadsNoSystemDllComesFromBesideTheExe) {
    const PlantedDlls planted(BuildFolder(), {L"uxtheme", L"msimg32", L"lpk", L"usp10"});
    platform::LoadSystemDllsByFullPath();
    for (const wchar_t* name : {L"uxtheme.dll", L"msimg32.dll", L"lpk.dll", L"usp10.dll"}) {
        // One the system lacks is found beside the exe whatever was loaded
        // before; there only the limited search keeps it out.
        if (SystemCopy(name).empty()) continue;
        const HMODULE module = LoadLibraryW(name);
        EXPECT_NE(module, nullptr) << Utf8(name);
        if (module != nullptr) FreeLibrary(module);
    }
    EXPECT_EQ(planted.Loads(), L"");
}
