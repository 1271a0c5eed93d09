// The run's writes to the profile.
#pragma once

#include <string>

// Stores one value in the profile and returns 0, or the Windows error number
// when it could not be stored. Before each write, makes sure that it cannot
// damage the rest of the file (see RewriteKeepsText): a profile that it could
// damage is not written, and the write is refused with kProfileNotAnsi.
unsigned long StoreProfileValue(const std::wstring& section, const std::wstring& key,
                                const std::wstring& value);

// The error of a profile the program will not write, or will not read
// (saved as UTF-8, which Windows reads as garbage).
constexpr unsigned long kProfileNotAnsi = 1113;  // ERROR_NO_UNICODE_TRANSLATION

// What a refused profile write means to the user: the program's own words
// for kProfileNotAnsi, the system's for any other error, and for access
// denied, where the rights to change it come from.
std::wstring ProfileWriteErrorText(unsigned long error);

// Ends the run (kProfileNotAnsi) before anything is read from a profile
// saved as UTF-8, which Windows' profile service would misread.
void RefuseMisreadProfile();
