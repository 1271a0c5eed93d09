// A failing operation ends the run: whoever detects it throws RunFailure,
// and Main (or, for a failure before the check starts, the entry point)
// reports it, shows it and gives the exit status. The warning window catches
// one only to carry it out of the system's dialog code and throw it again;
// the event report catches its own so that a lost event changes nothing.
#pragma once

#include <string>

namespace platform {

struct RunFailure {
    unsigned long number;      // a Windows error code, or one of the numbers below
    std::wstring description;  // what went wrong, in the user's words
    std::wstring context;      // what the program was doing, with the path or value
};

// The program's own failures. Their numbers are Windows error codes reused
// (13 ERROR_INVALID_DATA, 6 ERROR_INVALID_HANDLE) with the program's own
// descriptions (check_run/settings_load.cpp) in place of the system's text.
// 13 and 6 are also the numbers Visual Basic gives a type mismatch and an overflow.
constexpr unsigned long kNotANumber = 13;     // a profile value is not a whole number
constexpr unsigned long kNumberTooLarge = 6;  // a profile value lies beyond 32 bits

// Throws RunFailure with GetLastError() and the system's own description of it.
[[noreturn]] void FailWithLastError(const std::wstring& context);
[[noreturn]] void FailWithError(unsigned long error, const std::wstring& context);

// The system's own text for a Windows error code, without the final line break.
std::wstring SystemErrorText(unsigned long error);

// For access denied (5) to the log or the profile: a sentence saying where
// the right to change them comes from; empty for any other error.
std::wstring RightsHint(unsigned long error);

// The text shown in the error message box.
std::wstring FailureMessageText(const RunFailure& failure);

}  // namespace platform
