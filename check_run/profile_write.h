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
// (saved as UTF-8, which Windows reads as garbage). The same number as a
// value the file cannot hold (kTextNotAnsi): either way, text outside the
// ANSI code page.
constexpr unsigned long kProfileNotAnsi = 1113;  // ERROR_NO_UNICODE_TRANSLATION

// What a refused profile write means to the user: the program's own words
// for kProfileNotAnsi (the file's text) and kTextNotAnsi (the value's), the
// system's for any other error, and for access denied, where the rights to
// change it come from.
std::wstring ProfileWriteErrorText(unsigned long error);

// Ends the run before anything is read from a profile that exists but cannot
// be opened and read through, even after another program's brief hold
// (ProfileOpenError): its values would read as missing, and their defaults
// would silently take their place. The error is the system's (32, 33, 5; a
// folder gives 5).
void RefuseUnopenableProfile();

// Ends the run (kProfileNotAnsi) before anything is read from a profile
// saved as UTF-8, which Windows' profile service would misread.
void RefuseMisreadProfile();
