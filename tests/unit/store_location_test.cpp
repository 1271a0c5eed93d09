// The store location: environment references in the recorded location, and
// the identity and store root read from HKCU\Identities.
#include "check_run/store_location.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "check_run/run_state.h"
#include "common/files.h"
#include "common/log_lines.h"
#include "common/registry.h"
#include "common/text.h"
#include "platform/failure.h"
#include "unit/fresh_run_state.h"

using namespace common;

namespace {

using Environment = std::map<std::wstring, std::optional<std::wstring>>;

// Sets (or, for an empty optional, removes) variables, and puts every one
// back as it was when it goes.
class ScopedEnvironment {
  public:
    explicit ScopedEnvironment(const Environment& changes) {
        for (const auto& [name, value] : changes) {
            wchar_t old[32767];
            DWORD length = GetEnvironmentVariableW(name.c_str(), old, 32767);
            saved_[name] = length ? std::optional<std::wstring>(old) : std::nullopt;
            SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
        }
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
        }
    }

  private:
    Environment saved_;
};

}  // namespace

TEST(ExpandStoreReferences, ReplacesTheNineReferencesExactlyAndOnce) {
    struct Row {
        Environment environment;
        const wchar_t* recorded;
        const wchar_t* expected;
    };
    const Row rows[] = {
        {{{L"UserProfile", L"C:\\Users\\taro"}},
         L"%UserProfile%\\Local Settings\\Mail",
         L"C:\\Users\\taro\\Local Settings\\Mail"},
        {{{L"UserProfile", L"C:\\Users\\taro"}}, L"%USERPROFILE%\\Mail", L"%USERPROFILE%\\Mail"},
        {{{L"APPDATA", L"C:\\AppData"}}, L"%APPDATA%\\Mail", L"%APPDATA%\\Mail"},
        {{{L"TMP", std::nullopt}}, L"C:\\%TMP%\\Mail", L"C:\\\\Mail"},
        {{{L"windir", L"W"}}, L"%windir%;%windir%%windir%", L"W;WW"},
        {{{L"HOMEPATH", L"%TEMP%"}, {L"TEMP", L"C:\\Temp"}},
         L"%HOMEPATH%\\Mail",
         L"C:\\Temp\\Mail"},
        {{{L"TEMP", L"%HOMEPATH%"}, {L"HOMEPATH", L"\\home"}},
         L"%TEMP%\\Mail",
         L"%HOMEPATH%\\Mail"},
        // The text put in completes a reference with what follows it.
        {{{L"TMP", L"%TM"}}, L"%TMP%P%", L"%TMP%"},
        {{{L"HOMEDRIVE", L"1"},
          {L"HOMEPATH", L"2"},
          {L"ProgramFiles", L"3"},
          {L"SystemDrive", L"4"},
          {L"SystemRoot", L"5"},
          {L"TEMP", L"6"},
          {L"TMP", L"7"},
          {L"UserProfile", L"8"},
          {L"windir", L"9"}},
         L"%windir%%UserProfile%%TMP%%TEMP%%SystemRoot%%SystemDrive%%ProgramFiles%%HOMEPATH%"
         L"%HOMEDRIVE%",
         L"987654321"},
    };
    for (const Row& row : rows) {
        ScopedEnvironment environment(row.environment);
        EXPECT_EQ(ExpandStoreReferences(row.recorded), row.expected) << Cp932(row.recorded);
    }
}

namespace {
const wchar_t kIdentity[] = L"{2D4B6A1C-0E3F-4A57-9B21-7C8D9E0F1A2B}";
}  // namespace

TEST(LocateStore, FindsTheDefaultIdentitysStoreOrLogsWhatIsMissing) {
    struct Row {
        const wchar_t* defaultIdentity;  // nullptr: no value
        const wchar_t* storeIdentity;    // whose key holds the store root
        std::optional<std::wstring> storeRoot;
        Environment environment;
        StoreOutcome outcome;
        std::wstring expectedRoot;
        std::vector<std::wstring> log;
    };
    const std::wstring found = GuidLine(kIdentity);
    const std::wstring noRoot = NoStoreRootLine();
    const std::wstring longest = L"C:\\" + std::wstring(2000, L'm') + L"\\";
    const Row rows[] = {
        {kIdentity,
         kIdentity,
         L"C:\\Mail\\",
         {},
         StoreOutcome::Found,
         L"C:\\Mail\\",
         {found, StoreRootLine(L"C:\\Mail\\")}},
        {kIdentity,
         kIdentity,
         L"C:\\メール",
         {},
         StoreOutcome::Found,
         L"C:\\メール\\",
         {found, StoreRootLine(L"C:\\メール\\")}},
        {kIdentity,
         kIdentity,
         L"%TMP%%TEMP%\\\\server\\share",
         {{L"TMP", std::nullopt}, {L"TEMP", std::nullopt}},
         StoreOutcome::Found,
         L"\\\\server\\share\\",
         {found, StoreRootLine(L"\\\\server\\share\\")}},
        {kIdentity,
         kIdentity,
         longest,
         {},
         StoreOutcome::Found,
         longest,
         {found, StoreRootLine(longest)}},
        {kIdentity,
         kIdentity,
         L"C:\\" + std::wstring(126, L'メ') + L"m",  // 256 bytes, read whole
         {},
         StoreOutcome::Found,
         L"C:\\" + std::wstring(126, L'メ') + L"m\\",
         {found, StoreRootLine(L"C:\\" + std::wstring(126, L'メ') + L"m\\")}},
        {kIdentity, kIdentity, std::nullopt, {}, StoreOutcome::NoStoreRoot, L"", {found, noRoot}},
        {kIdentity, kIdentity, L"", {}, StoreOutcome::NoStoreRoot, L"", {found, noRoot}},
        {kIdentity,
         L"{00000000-0000-0000-0000-000000000000}",
         L"C:\\Mail\\",
         {},
         StoreOutcome::NoStoreRoot,
         L"",
         {found, noRoot}},
        {nullptr, kIdentity, L"C:\\Mail\\", {}, StoreOutcome::NoIdentity, L"", {NoIdentityLine()}},
        {L"", kIdentity, L"C:\\Mail\\", {}, StoreOutcome::NoIdentity, L"", {NoIdentityLine()}},
    };
    ScratchFolder scratch(L"unit_store_location");
    for (const Row& row : rows) {
        ClearIdentities();
        if (row.defaultIdentity) SetDefaultIdentityRaw(row.defaultIdentity);
        // Outlook Express records the store root as an expandable text.
        if (row.storeRoot) SetStoreRoot(row.storeIdentity, *row.storeRoot, REG_EXPAND_SZ);
        ScopedEnvironment environment(row.environment);
        FreshRunState(scratch);
        WriteBytes(scratch.log, "");

        const std::string what = Cp932(row.storeRoot.value_or(L"(none)"));
        EXPECT_EQ(LocateStore(), row.outcome) << what;
        EXPECT_EQ(RunState.StoreRoot, row.expectedRoot) << what;
        EXPECT_EQ(scratch.LogMessages(), row.log) << what;
    }
    ClearIdentities();
}

// Only a full path (once the final backslash is added) names a folder
// whatever the current drive and folder are; anything else, what references
// leave empty included, ends the run.
TEST(LocateStore, AStoreRootThatIsNoFullPathEndsTheRun) {
    const std::pair<const wchar_t*, bool> rows[] = {
        {L"C:\\Mail", true},
        {L"c:/Mail/", true},
        {L"\\\\server\\share", true},
        {L"\\\\?\\C:\\Mail", true},
        {L"%TMP%", false},
        {L"Mail\\store", false},
        {L"C:Mail", false},
        {L"\\Mail", false},
        {L"/Mail", false},
        {L"\\\\", false},
        {L"\\\\\\server", false},
        {L"1:\\Mail", false},
        {L"D:", true},  // a drive's root
    };
    ScratchFolder scratch(L"unit_store_not_full");
    ScopedEnvironment environment({{L"TMP", std::nullopt}});
    for (const auto& [recorded, full] : rows) {
        SetDefaultIdentityRaw(kIdentity);
        SetStoreRoot(kIdentity, recorded, REG_EXPAND_SZ);
        FreshRunState(scratch);
        if (full) {
            EXPECT_EQ(LocateStore(), StoreOutcome::Found) << Cp932(recorded);
            continue;
        }
        try {
            LocateStore();
            ADD_FAILURE() << "accepted " << Cp932(recorded);
        } catch (const platform::RunFailure& failure) {
            EXPECT_EQ(failure.number, 161u);
            EXPECT_NE(failure.context.find(recorded), std::wstring::npos) << Cp932(failure.context);
        }
    }
    ClearIdentities();
}
