// The run's writes to the profile.
#pragma once

#include <string>

// Stores one value in the profile and returns 0, or the Windows error number
// when it could not be stored. Before each write, makes sure that it cannot
// damage the rest of the file (see RewriteKeepsBytes): a profile that it
// would damage ends the run (error 1113) with nothing written.
unsigned long StoreProfileValue(const std::wstring& section, const std::wstring& key,
                                const std::wstring& value);

// The error of a profile the program will not rewrite.
constexpr unsigned long kProfileNotAnsi = 1113;  // ERROR_NO_UNICODE_TRANSLATION
