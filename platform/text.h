// Conversions between the program's Unicode text and the system's ANSI code
// page, used only where files and the registry are read or written in ANSI.
#pragma once

#include <string>

namespace platform {

// What the code page lacks is written as its default character ('?'),
// never as a look-alike.
std::string ToAnsi(const std::wstring& text);
// The bytes of the text as the system's own ANSI functions convert it, best
// fit included: for limits that those functions count in bytes.
size_t AnsiLength(const std::wstring& text);
std::wstring FromAnsi(const std::string& text);

// A whole number in decimal digits, with a minus sign when negative. Written
// here rather than taken from std::to_wstring, whose formatting library
// would add a tenth to the size of the exe.
std::wstring DecimalText(long long number);

// True when the text survives a trip through the ANSI code page unchanged.
bool FitsAnsi(const std::wstring& text);

// True when the bytes are text in the code page through and through: the
// decoding that refuses bytes the code page does not define succeeds.
bool DecodesStrictly(unsigned codePage, const std::string& bytes);

// The text in capitals, one character at a time and the same in every
// locale, as Windows compares names that ignore letter case.
std::wstring UpperCase(const std::wstring& text);

}  // namespace platform
