#include "harness.h"

#include <algorithm>

#include "common/window_driver.h"
#include "warning_window/layout.h"

namespace e2e {

Scratch::Scratch(const std::wstring& name) : ScratchFolder(name), exe(dir + L"Tarnwick.exe") {
    EXPECT_TRUE(CopyFileW((BuildFolder() + L"Tarnwick.exe").c_str(), exe.c_str(), FALSE));
}

std::string& ProfileValues::operator[](const std::string& key) {
    if (key == "LimitSize") return limit;
    if (key == "WarningSize") return warning;
    if (key == "WarningTitle") return title;
    if (key == "WarningMsg") return message;
    EXPECT_EQ(key, "Visible");
    return visible;
}

std::string ProfileBytes(const ProfileValues& v) {
    return "[Tarnwick]\r\nLimitSize=" + v.limit + "\r\nWarningSize=" + v.warning +
           "\r\nWarningTitle=" + v.title + "\r\nWarningMsg=" + v.message +
           "\r\n[No Check]\r\nVisible=" + v.visible + "\r\n" + v.exemptions;
}

Outcome RunToEnd(const Scratch& scratch, const RunOptions& options) {
    Run run(scratch.exe, options);
    return Finish(run);
}

Outcome Finish(Run& run, const std::function<void(HWND)>& onWarning) {
    Outcome outcome;
    outcome.exitCode = AnswerWindows(
        run, [&](const std::wstring& text) { outcome.errors.push_back(text); },
        [&](HWND warning) {
            ++outcome.warnings;
            if (onWarning) {
                onWarning(warning);
            } else {
                driver::ClickId(warning, cmdClose);
            }
        });
    return outcome;
}

void TickAndClose(HWND warning) {
    driver::ClickId(warning, chkNoCheck);
    driver::Settle(warning);
    driver::ClickId(warning, cmdClose);
    driver::WaitForWindowGone(warning, 5000);
}

std::optional<unsigned long> ErrorNumber(const std::wstring& text) {
    const std::wstring prefix = L"エラー番号 ";
    if (text.rfind(prefix, 0) != 0) return std::nullopt;
    size_t end = prefix.size();
    while (end < text.size() && iswdigit(text[end])) ++end;
    if (end == prefix.size() || text.compare(end, 1, L"：") != 0) return std::nullopt;
    if (end + 1 >= text.size() || text[end + 1] == L'\r') return std::nullopt;
    return std::stoul(text.substr(prefix.size(), end - prefix.size()));
}

void ExpectNormalEnd(const Outcome& outcome, const Scratch& scratch) {
    EXPECT_EQ(outcome.exitCode, 0u);
    for (const auto& error : outcome.errors) ADD_FAILURE() << "error message: " << Cp932(error);
    const auto log = scratch.LogMessages();
    EXPECT_TRUE(!log.empty() && log.back() == EndLine()) << "the log has no end line";
}

void ExpectFailure(const Outcome& outcome, const Scratch& scratch,
                   const std::vector<unsigned long>& numbers) {
    ASSERT_TRUE(outcome.exitCode.has_value()) << "hung";
    EXPECT_NE(*outcome.exitCode, 0u);
    ASSERT_EQ(outcome.errors.size(), 1u);
    const std::optional<unsigned long> number = ErrorNumber(outcome.errors[0]);
    ASSERT_TRUE(number.has_value()) << Cp932(outcome.errors[0]);
    if (!numbers.empty()) {
        EXPECT_NE(std::find(numbers.begin(), numbers.end(), *number), numbers.end())
            << "error number " << *number << ": " << Cp932(outcome.errors[0]);
    }
    const auto log = scratch.LogMessages();
    EXPECT_TRUE(log.empty() || log.back() != EndLine()) << "a failed run wrote the end line";
}

std::vector<std::wstring> SettingsLogged(const Scratch& scratch) {
    const auto log = scratch.LogMessages();
    return {log.begin() + std::min<std::ptrdiff_t>(1, log.size()),
            log.begin() + std::min<std::ptrdiff_t>(6, log.size())};
}

std::vector<std::wstring> AfterSettings(const Scratch& scratch) {
    auto log = scratch.LogMessages();
    if (log.size() < 6) return log;
    return {log.begin() + 6, log.end()};
}

std::vector<std::wstring> ScanLines(const Scratch& scratch) {
    const std::vector<std::wstring> messages = scratch.LogMessages();
    for (size_t i = 0; i < messages.size(); ++i) {
        if (messages[i].rfind(StoreRootLine(L""), 0) == 0) {
            return {messages.begin() + static_cast<std::ptrdiff_t>(i) + 1, messages.end()};
        }
    }
    ADD_FAILURE() << "no store line in the log";
    return {};
}

std::vector<std::wstring> FileLines(const Scratch& scratch) {
    std::vector<std::wstring> lines = ScanLines(scratch);
    if (!lines.empty() && lines.back() == EndLine()) lines.pop_back();
    return Sorted(lines);
}

}  // namespace e2e
