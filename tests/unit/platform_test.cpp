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

// Windows XP, and Vista and 7 without the update, have no
// SetDefaultDllDirectories: there the system's own copy of each DLL is loaded
// by full path at start, and a later load by name finds it. (Wine has the
// call, so only this test reaches that path.)
TEST(DllSearch, AfterTheFullPathLoadsNoUxthemeComesFromBesideTheExe) {
    const PlantedUxtheme planted(BuildFolder());
    platform::LoadSystemDllsByFullPath();
    const HMODULE uxtheme = LoadLibraryW(L"uxtheme.dll");
    EXPECT_NE(uxtheme, nullptr);
    EXPECT_EQ(Utf8(planted.Loads()), "");
    if (uxtheme != nullptr) FreeLibrary(uxtheme);
}
