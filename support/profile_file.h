// mdlIniFle: the profile file, through the system's profile service.
#pragma once

#include <string>

// The key's value, or the empty text when the file, section or key is missing
// or the value is empty. Values longer than 1023 bytes come back cut.
std::wstring ReadIniString(const std::wstring& path, const std::wstring& section,
                           const std::wstring& key);

// Writes the key, creating file and section as needed. A value with a leading
// or trailing space is stored in double quotes, which the reader removes.
// Returns the service's success indicator; callers ignore it.
int WriteIniString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value);
