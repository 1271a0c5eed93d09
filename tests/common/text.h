// Text conversions the tests use to state expected bytes and to print: code
// page 932 is named outright, so that an expectation does not depend on the
// system's own code page.
#pragma once

#include <string>

namespace common {

std::wstring Utf16(const std::string& utf8);
std::string Utf8(const std::wstring& text);
std::string Cp932(const std::wstring& text);
std::wstring FromCp932(const std::string& bytes);

}  // namespace common
