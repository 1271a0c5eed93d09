#include "readers.h"

#include "files.h"
#include "text.h"

namespace common {

namespace {

// The CR LF lines of a file; `unended` is set when the last has no CR LF.
std::vector<std::string> Lines(const std::string& bytes, bool* unended) {
    std::vector<std::string> lines;
    *unended = false;
    for (size_t at = 0; at < bytes.size();) {
        size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) {
            *unended = true;
            end = bytes.size();
        }
        lines.push_back(bytes.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

bool Only(const std::wstring& text, const wchar_t* characters) {
    return !text.empty() && text.find_first_not_of(characters) == std::wstring::npos;
}

}  // namespace

std::vector<std::wstring> LogMessages(const std::string& bytes) {
    bool unended = false;
    std::vector<std::wstring> messages;
    for (const std::string& bytesOfLine : Lines(bytes, &unended)) {
        // "2026/12/7 4:18:30 message": a date with slashes, a time with colons.
        const std::wstring line = FromCp932(bytesOfLine);
        const size_t dateEnd = line.find(L' ');
        const size_t timeEnd =
            dateEnd == std::wstring::npos ? dateEnd : line.find(L' ', dateEnd + 1);
        if (timeEnd == std::wstring::npos || !Only(line.substr(0, dateEnd), L"0123456789/") ||
            !Only(line.substr(dateEnd + 1, timeEnd - dateEnd - 1), L"0123456789:")) {
            ReportFailure("log line without date and time: " + Utf8(line));
            messages.push_back(line);
        } else {
            messages.push_back(line.substr(timeEnd + 1));
        }
    }
    if (unended) ReportFailure("the log's last line has no CR LF");
    return messages;
}

ProfileText ProfileSections(const std::string& bytes) {
    bool unended = false;
    ProfileText sections;
    for (const std::string& bytesOfLine : Lines(bytes, &unended)) {
        const std::wstring line = FromCp932(bytesOfLine);
        if (line.empty()) continue;
        if (line.front() == L'[' && line.back() == L']') {
            sections.push_back({line.substr(1, line.size() - 2), {}});
        } else {
            if (sections.empty()) sections.push_back({L"", {}});
            sections.back().second.push_back(line);
        }
    }
    if (unended) ReportFailure("the profile's last line has no CR LF");
    return sections;
}

std::vector<std::wstring> ProfileSection(const std::string& bytes, const std::wstring& name) {
    for (const auto& [section, lines] : ProfileSections(bytes)) {
        if (section == name) return lines;
    }
    return {};
}

}  // namespace common
