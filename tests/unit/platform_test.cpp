// Where the platform layer keeps the program within what Windows accepts and
// away from what another user could place beside it: event strings cut to
// the event log's limit, and system DLLs loaded by full path where the DLL
// search cannot be limited.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/files.h"
#include "common/stand_in.h"
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
// SetDefaultDllDirectories: there the system's own copy of each DLL is loaded
// by full path at start, and a later load by name finds it. (Wine has the
// call, so only this test reaches that path.)
TEST(DllSearch, AfterTheFullPathLoadsNoUxthemeComesFromBesideTheExe) {
    const PlantedUxtheme planted(BuildFolder());
    platform::LoadSystemDllsByFullPath();
    const HMODULE uxtheme = LoadLibraryW(L"uxtheme.dll");
    EXPECT_NE(uxtheme, nullptr);
    EXPECT_EQ(planted.Loads(), L"");
    if (uxtheme != nullptr) FreeLibrary(uxtheme);
}
