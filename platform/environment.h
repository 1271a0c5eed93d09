// Where the program stands: its own exe, the Windows folder, and the
// environment variables of the logon.
#pragma once

#include <string>

namespace platform {

struct ExeLocation {
    std::wstring folder;    // as the system reports it, a drive root with its backslash
    std::wstring baseName;  // file name without its last extension
};
ExeLocation ExeFolderAndBaseName();

// The Windows folder, without a final backslash.
std::wstring WindowsFolder();

// Value of an environment variable, empty when it is not set.
std::wstring EnvironmentValue(const std::wstring& name);

}  // namespace platform
