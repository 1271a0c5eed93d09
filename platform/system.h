// The small system operations the check run needs, each behind one name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct ExeLocation {
    std::wstring folder;    // as the system reports it, a drive root with its backslash
    std::wstring baseName;  // file name without its last extension
};
ExeLocation ExeFolderAndBaseName();

// The local date and time of one moment, in the user's own short forms.
struct LocalNowText {
    std::wstring date;
    std::wstring time;
};
LocalNowText LocalDateAndTimeText();

// Value of an environment variable, empty when it is not set.
std::wstring EnvironmentValue(const std::wstring& name);

// Names of the files (not folders) directly inside a folder (a full path), in
// the order the system lists them. A folder that is missing, is a file (error
// 267) or cannot be listed ends the run.
std::vector<std::wstring> ListFileNames(const std::wstring& folder);

// Length in bytes of the file of exactly that name in the folder (a full
// path), also while another program holds it open without sharing: a name
// with a final dot or space, or a device name such as "AUX.dbx", is that
// file, not another. A file that cannot be measured ends the run.
std::uint64_t FileLength(const std::wstring& folder, const std::wstring& name);

// The Windows folder, without a final backslash.
std::wstring WindowsFolder();

// Starts a program with a normal, focused window and does not wait for it.
// A program that cannot be started ends the run.
void StartProgram(const std::wstring& program, const std::wstring& commandLine);

}  // namespace platform
