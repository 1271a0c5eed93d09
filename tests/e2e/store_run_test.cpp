// Runs that find (or fail to find) the mail store: the identity and store
// lines, one line per folder file, exemptions and very large folder files.
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

namespace {

const wchar_t kIdentity[] = L"{1F3A5C7E-9B2D-4E6F-8A1C-3E5F7A9B1D2F}";

// The opening every run with a found store shares: start, default settings,
// identity and store path.
std::vector<std::wstring> OpeningWithStore(const std::wstring& store) {
    std::vector<std::wstring> lines = DefaultOpening();
    lines.push_back(GuidLine(kIdentity));
    lines.push_back(StoreRootLine(store));
    return lines;
}

// Checks a complete run's log: the opening, the per-file lines in any order,
// then the end line.
void ExpectCompleteLog(const Scratch& scratch, const std::vector<std::wstring>& opening,
                       const std::vector<std::wstring>& fileLines) {
    const std::vector<std::wstring> messages = scratch.LogMessages();
    ASSERT_EQ(messages.size(), opening.size() + fileLines.size() + 1);
    EXPECT_EQ(std::vector<std::wstring>(messages.begin(),
                                        messages.begin() + static_cast<long>(opening.size())),
              opening);
    EXPECT_EQ(FileLines(scratch), Sorted(fileLines));
    EXPECT_EQ(messages.back(), EndLine());
}

}  // namespace

TEST(StoreRun, AFirstRunLogsEachSmallFolderFile) {
    Scratch scratch(L"e2e_store_first");
    const std::wstring inbox = L"受信トレイ.dbx";
    MakeFile(scratch.store + inbox, 1025);
    MakeFile(scratch.store + L"Folders.dbx", 1024);
    // Recorded without its final backslash, which the run adds.
    SetIdentity(kIdentity, WithoutFinalBackslash(scratch.store));

    const Outcome outcome = RunToEnd(scratch);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_EQ(outcome.warnings, 0);
    ExpectCompleteLog(
        scratch, OpeningWithStore(scratch.store),
        {FileLine(inbox, 2, Verdict::Below), FileLine(L"Folders.dbx", 1, Verdict::Below)});

    // "受信トレイ.dbx" followed by the two spaces of the size label, in code page 932.
    EXPECT_NE(scratch.LogBytes().find("\x8e\xf3\x90\x4d\x83\x67\x83\x8c\x83\x43.dbx  "),
              std::string::npos);
}

// Neither absence is a failure: the run logs why it stopped looking and ends.
TEST(StoreRun, AMissingIdentityOrStoreRootEndsNormally) {
    struct Row {
        const char* name;
        void (*arrange)();
        std::vector<std::wstring> lines;  // after the settings, before the end line
    };
    const Row rows[] = {
        {"empty_identity", [] { SetDefaultIdentityRaw(L""); }, {NoIdentityLine()}},
        {"no_store_root",
         [] { SetDefaultIdentityRaw(kIdentity); },
         {GuidLine(kIdentity), NoStoreRootLine()}},
        {"empty_store_root",
         [] { SetIdentity(kIdentity, L""); },
         {GuidLine(kIdentity), NoStoreRootLine()}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scratch scratch(L"e2e_absent_" + Utf16(row.name));
        row.arrange();
        const Outcome outcome = RunToEnd(scratch);
        EXPECT_EQ(outcome.exitCode, 0u);
        EXPECT_TRUE(outcome.errors.empty());
        std::vector<std::wstring> expected = DefaultOpening();
        expected.insert(expected.end(), row.lines.begin(), row.lines.end());
        expected.push_back(EndLine());
        EXPECT_EQ(scratch.LogMessages(), expected);
    }
}

// Recorded locations that name the store through the environment the run
// starts with.
TEST(StoreRun, EnvironmentReferencesResolveToTheStore) {
    struct Setup {
        std::wstring recorded;
        std::map<std::wstring, std::optional<std::wstring>> environment;
    };
    struct Row {
        const char* name;
        // From the scratch folder without its final backslash ("Z:\...").
        Setup (*arrange)(const std::wstring& dir);
    };
    const Row rows[] = {
        {"user_profile",
         [](const std::wstring& dir) {
             return Setup{L"%UserProfile%\\store", {{L"UserProfile", dir}}};
         }},
        // Already ending in a backslash: none is added.
        {"home_drive_path",
         [](const std::wstring& dir) {
             return Setup{L"%HOMEDRIVE%%HOMEPATH%\\store\\",
                          {{L"HOMEDRIVE", dir.substr(0, 2)}, {L"HOMEPATH", dir.substr(2)}}};
         }},
        // A variable that is not set leaves nothing behind.
        {"unset_removed",
         [](const std::wstring& dir) {
             return Setup{L"%TMP%" + dir + L"\\store", {{L"TMP", std::nullopt}}};
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scratch scratch(L"e2e_reference_" + Utf16(row.name));
        const Setup setup = row.arrange(WithoutFinalBackslash(scratch.dir));
        MakeFile(scratch.store + L"Inbox.dbx", 1);
        SetIdentity(kIdentity, setup.recorded);
        RunOptions options;
        options.environment = setup.environment;

        const Outcome outcome = RunToEnd(scratch, options);
        EXPECT_EQ(outcome.exitCode, 0u);
        EXPECT_TRUE(outcome.errors.empty());
        ExpectCompleteLog(scratch, OpeningWithStore(scratch.store),
                          {FileLine(L"Inbox.dbx", 1, Verdict::Below)});
    }
}

// A store path that names no folder ends the run with an error message; the
// log stops at the store line, or before it for a path that is not a full
// one (it would name a folder relative to whatever the current one is).
TEST(StoreRun, AStoreThatIsNotAFolderEndsTheRun) {
    for (const char* name : {"missing", "capital_reference"}) {
        SCOPED_TRACE(name);
        Scratch scratch(L"e2e_no_store_" + Utf16(name));
        RunOptions options;
        std::wstring recorded = scratch.dir + L"missing";
        std::vector<std::wstring> log = OpeningWithStore(recorded + L"\\");
        if (std::string(name) == "capital_reference") {
            // References match letter case exactly: this one stays as written,
            // although the variable is set, and leaves no full path.
            recorded = L"%USERPROFILE%\\store";
            options.environment[L"UserProfile"] = WithoutFinalBackslash(scratch.dir);
            log.pop_back();
        }
        SetIdentity(kIdentity, recorded);

        const Outcome outcome = RunToEnd(scratch, options);
        ExpectFailure(outcome, scratch);
        ASSERT_EQ(outcome.errors.size(), 1u);
        EXPECT_NE(outcome.errors[0].find(recorded), std::wstring::npos);
        EXPECT_EQ(scratch.LogMessages(), log);
    }
}

// A folder file at the warning size is exempted only by an entry that holds
// exactly the current store path; any other entry leaves the warning.
TEST(StoreRun, AnExemptionHoldsOnlyForTheStorePathItNames) {
    struct Row {
        const char* name;
        std::wstring (*entry)(const std::wstring& store);
        Verdict verdict;
    };
    const Row rows[] = {
        {"current_store", [](const std::wstring& store) { return store; }, Verdict::Exempted},
        {"other_store", [](const std::wstring&) { return std::wstring(L"C:\\Mail\\Old\\"); },
         Verdict::Warned},
        {"other_letter_case",
         [](const std::wstring& store) {
             std::wstring lower = store;
             CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
             return lower;
         },
         Verdict::Warned},
        {"no_final_backslash",
         [](const std::wstring& store) { return WithoutFinalBackslash(store); }, Verdict::Warned},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scratch scratch(L"e2e_exempt_" + Utf16(row.name));
        if (row.verdict == Verdict::Warned) {
            ASSERT_NE(row.entry(scratch.store), scratch.store);
        }
        MakeFile(scratch.store + L"Inbox.dbx", 1073741824);  // 1 GiB: 1048576 KB
        SetIdentity(kIdentity, scratch.store);
        const std::string profile =
            "[No Check]\r\nInbox=" + Cp932(row.entry(scratch.store)) + "\r\n";
        scratch.WriteIni(profile);

        const Outcome outcome = RunToEnd(scratch);
        EXPECT_EQ(outcome.exitCode, 0u);
        EXPECT_TRUE(outcome.errors.empty());
        EXPECT_EQ(outcome.warnings, row.verdict == Verdict::Warned ? 1 : 0);
        ExpectCompleteLog(scratch, OpeningWithStore(scratch.store),
                          {FileLine(L"Inbox.dbx", 1048576, row.verdict)});
        // The entry stays as written, also when it did not match.
        EXPECT_NE(scratch.IniBytes().find(profile), std::string::npos);
    }
}

// Folder files whose byte counts no longer fit in 32 bits once rounded up,
// up to past 4 GiB, are measured in full and warned about; the run still ends
// normally.
TEST(StoreRun, FilesPastTwoGibibytesAreMeasuredAndWarned) {
    Scratch scratch(L"e2e_huge");
    MakeFile(scratch.store + L"Near.dbx", 2147482625);   // one byte past 2097151 KB
    MakeFile(scratch.store + L"Three.dbx", 3221225472);  // 3 GiB
    MakeFile(scratch.store + L"Four.dbx", 4294968320);   // 4 GiB and 1 KB
    SetIdentity(kIdentity, scratch.store);

    RunOptions options;
    options.timeoutMs = 60000;
    const Outcome outcome = RunToEnd(scratch, options);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_EQ(outcome.warnings, 3);
    ExpectCompleteLog(scratch, OpeningWithStore(scratch.store),
                      {FileLine(L"Near.dbx", 2097152, Verdict::Warned),
                       FileLine(L"Three.dbx", 3145728, Verdict::Warned),
                       FileLine(L"Four.dbx", 4194305, Verdict::Warned)});
}
