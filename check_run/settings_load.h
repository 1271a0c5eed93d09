#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Fills the five settings of RunState from the profile, writing back the
// default of every setting that is missing or empty, and logs each value.
// A default that could not be stored is used all the same: a log line with
// the error number follows its value, and RunState.NotStored is set. A number
// setting that is not a whole number in 32 bits ends the run, as do a
// profile that exists but cannot be opened (RefuseUnopenableProfile) and one
// saved as UTF-8 (RefuseMisreadProfile), before anything is read from them.
// A default whose write is refused, because it would damage the profile or
// the file cannot hold it exactly (see StoreProfileValue), is one not stored.
void LoadSettings();

// A whole number in signed 32 bits: optional spaces, an optional sign, decimal
// digits, optional spaces. Nothing else (no fraction, no exponent).
std::optional<std::int32_t> ParseWholeNumber(const std::wstring& text, bool* tooLarge);

// The default window message, also written into a new profile.
extern const wchar_t kDefaultWarningMsg[];
