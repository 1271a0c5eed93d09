// mdlLogFile: the run log, one line per call, in the ANSI code page.
#pragma once

#include <cstdint>
#include <string>

#include "platform/scoped.h"

using LogMode = std::uint8_t;
constexpr LogMode kLogNew = 1;     // empties the file first
constexpr LogMode kLogAppend = 0;  // appends, creating a missing file

// Writes "date time message" and CR LF. The file is opened and closed within
// the call, so the log is complete on disk after every line. A file that
// cannot be opened, emptied or written ends the run.
void WriteLog(const std::wstring& path, const std::wstring& message, LogMode mode);

// The log opened now for a line written later, for a line that must follow
// what happens meanwhile: once open, neither another program's hold nor a
// change of the file's rights can stop it. Fails as WriteLog does.
class OpenedLog {
  public:
    OpenedLog(const std::wstring& path, LogMode mode);
    void Write(const std::wstring& message);

  private:
    std::wstring path_;
    platform::ScopedHandle file_;
};
