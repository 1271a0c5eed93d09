#include "harness.h"

#include <algorithm>
#include <cctype>
#include <sstream>

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

namespace {

// The text of a string as Wine's debugstr_w prints it: L"..." with \\, \",
// \n, \r, \t and four hex digits after a backslash for anything else outside
// printable ASCII; "..." after the closing quote when it was cut short.
std::wstring Unescaped(const std::string& line) {
    const size_t open = line.find("L\"");
    if (open == std::string::npos) return {};
    std::wstring text;
    size_t at = open + 2;
    for (; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] != '\\' || at + 1 >= line.size()) {
            text += static_cast<wchar_t>(static_cast<unsigned char>(line[at]));
            continue;
        }
        const char next = line[++at];
        if (next == 'n') {
            text += L'\n';
        } else if (next == 'r') {
            text += L'\r';
        } else if (next == 't') {
            text += L'\t';
        } else if (std::isxdigit(static_cast<unsigned char>(next)) && at + 3 < line.size()) {
            text += static_cast<wchar_t>(std::stoul(line.substr(at, 4), nullptr, 16));
            at += 3;
        } else {
            text += static_cast<wchar_t>(next);
        }
    }
    if (line.compare(at, 4, "\"...") == 0) text += L"...";
    return text;
}

// The lines of Tarnwick.exe's main thread: Wine starts each line with the
// thread's number, and the exe's own load names that thread first.
WineTrace ParseTrace(const std::string& output) {
    WineTrace trace;
    std::string thread;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const bool load = line.find(":trace:loaddll:") != std::string::npos &&
                          line.find(" Loaded L\"") != std::string::npos;
        if (thread.empty()) {
            if (!load || line.find("\\Tarnwick.exe\"") == std::string::npos) continue;
            thread = line.substr(0, line.find(':') + 1);
            trace.found = true;
        }
        if (line.rfind(thread, 0) != 0) continue;
        if (load) {
            std::wstring name = Unescaped(line);
            name = name.substr(name.find_last_of(L'\\') + 1);
            CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
            trace.dlls.push_back(name);
        } else if (const size_t call = line.find(":Call "); call != std::string::npos) {
            const size_t name = call + 6, open = line.find('(', name);
            trace.calls.push_back(line.substr(name, open - name));
            const size_t close = line.rfind(") ret=");
            trace.arguments.push_back(open < close && close != std::string::npos
                                          ? line.substr(open + 1, close - open - 1)
                                          : "");
        } else if (const size_t at = line.find(":fixme:advapi:ReportEventW (");
                   at != std::string::npos) {
            // (handle,type,category,id,sid,count,...)
            std::vector<std::string> fields;
            std::istringstream list(line.substr(at + 28));
            for (std::string field; std::getline(list, field, ',');) fields.push_back(field);
            Event event;
            if (fields.size() > 3) {
                event.type = static_cast<unsigned>(std::stoul(fields[1], nullptr, 16));
                event.id = std::stoul(fields[3], nullptr, 16);
            }
            trace.events.push_back(event);
        } else if (line.find(":eventlog:ReportEventW ") != std::string::npos &&
                   !trace.events.empty()) {
            trace.events.back().strings.push_back(Unescaped(line));
        }
    }
    return trace;
}

}  // namespace

void PrintTo(const Event& event, std::ostream* out) {
    *out << "{type " << event.type << ", id " << event.id << ",";
    for (const std::wstring& text : event.strings) *out << " \"" << Cp932(text) << "\"";
    *out << "}";
}

WineTrace TraceOf(const Run& run) {
    if (!run.watched()) return {};
    WineTrace trace = ParseTrace(run.WineOutput());
    EXPECT_TRUE(trace.found) << "no Wine output of Tarnwick.exe";
    return trace;
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
    outcome.trace = TraceOf(run);
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
