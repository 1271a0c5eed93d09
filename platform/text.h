// Conversions between the program's Unicode text and the system's ANSI code
// page, used only where files and the registry are read or written in ANSI.
#pragma once

#include <string>

namespace platform {

std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& text);

// True when the text survives a trip through the ANSI code page unchanged.
bool FitsAnsi(const std::wstring& text);

}  // namespace platform
