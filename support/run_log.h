// mdlLogFile: the run log, one line per call, in the ANSI code page.
#pragma once

#include <cstdint>
#include <string>

using LogMode = std::uint8_t;
constexpr LogMode kLogNew = 1;     // empties the file first
constexpr LogMode kLogAppend = 0;  // appends, creating a missing file

// Writes "date time message" and CR LF. The file is opened and closed within
// the call, so the log is complete on disk after every line. A file that
// cannot be opened or written ends the run.
void WriteLog(const std::wstring& path, const std::wstring& message, LogMode mode);
