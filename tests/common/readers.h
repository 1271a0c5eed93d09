// Readers of what the program leaves behind: the log's lines and the
// profile's sections, decoded from code page 932.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace common {

// The log's messages: each "date time message" CR LF line without its date
// and time. A line without CR LF, or without a date of digits and slashes and
// a time of digits and colons, is reported as a failure and kept whole.
std::vector<std::wstring> LogMessages(const std::string& bytes);

// A profile's sections in file order, each with its lines in order; blank
// lines are left out, and lines before the first section go under "". A last
// line without CR LF is reported as a failure.
using ProfileText = std::vector<std::pair<std::wstring, std::vector<std::wstring>>>;
ProfileText ProfileSections(const std::string& bytes);
// The lines of one section ("key=value", in order); none when it is missing.
std::vector<std::wstring> ProfileSection(const std::string& bytes, const std::wstring& name);

}  // namespace common
