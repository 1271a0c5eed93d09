// Which folder names can hold an exemption entry, and when an entry exempts.
#include "check_run/exemption.h"

#include <gtest/gtest.h>

#include "check_run/run_state.h"
#include "common/files.h"
#include "common/text.h"
#include "unit/fresh_run_state.h"

using namespace common;

TEST(CanRecordExemption, RefusesNamesThatCannotStandAsTheirOwnKey) {
    const std::pair<const wchar_t*, bool> rows[] = {
        {L"Inbox", true},
        {L"受信トレイ", true},
        {L"Visibles", true},
        {L"a;b[c]", true},
        {L"in side", true},
        {L"Visible", false},  // the check box setting's key
        {L"VISIBLE", false},
        {L"visible", false},
        {L"받은편지함", false},  // not in code page 932
        {L"Mail\U0001F4E7", false},
        {L"a=b", false},
        {L";old", false},
        {L"[old]", false},
        {L" lead", false},
        {L"trail ", false},
        {L"", false},
    };
    for (const auto& [name, expected] : rows) {
        EXPECT_EQ(CanRecordExemption(name, L"C:\\Store\\"), expected) << Cp932(name);
    }
}

// The store path is the entry's value: the profile must give it back whole.
TEST(CanRecordExemption, RefusesStorePathsTheProfileCannotGiveBack) {
    const std::wstring longest = L"C:\\" + std::wstring(509, L'メ') + L"m\\";  // 1023 bytes
    const std::pair<std::wstring, bool> rows[] = {
        {L"C:\\Store\\", true},
        {longest, true},
        {L"C:\\" + std::wstring(510, L'メ') + L"\\", false},  // 1024 bytes
        {L"C:\\Users\\\U00020BB7田\\", false},                // not in code page 932
        {L"C:\\Users\\Müller\\", false},                      // stored as "Muller"
    };
    for (const auto& [store, expected] : rows) {
        EXPECT_EQ(CanRecordExemption(L"Inbox", store), expected) << Cp932(store).size() << " bytes";
    }
}

TEST(IsExempted, OnlyTheCurrentStorePathExactlyExempts) {
    ScratchFolder scratch(L"unit_exemption");
    scratch.WriteIni(
        Cp932(L"[No Check]\r\nInbox=C:\\Store\\\r\n受信トレイ=C:\\Store\\\r\n"
              L"Outbox=D:\\Old\\\r\nDrafts=C:\\Store\r\nSent=c:\\store\\\r\n"
              L"Visible=C:\\Store\\\r\n"));
    FreshRunState(scratch);
    RunState.StoreRoot = L"C:\\Store\\";
    const std::pair<const wchar_t*, bool> rows[] = {
        {L"Inbox", true}, {L"受信トレイ", true}, {L"Outbox", false},  {L"Drafts", false},
        {L"Sent", false}, {L"Deleted", false},   {L"Visible", false},
    };
    for (const auto& [name, expected] : rows) {
        EXPECT_EQ(IsExempted(name), expected) << Cp932(name);
    }
}
