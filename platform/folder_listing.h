// The store folder's files: their names and their lengths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Names of the files (not folders) directly inside a folder (a full path), in
// the order the system lists them. A folder that is missing, is a file (error
// 267) or cannot be listed ends the run.
std::vector<std::wstring> ListFileNames(const std::wstring& folder);

// Length in bytes of the file of exactly that name in the folder (a full
// path), also while another program holds it open without sharing: a name
// with a final dot or space, or a device name such as "AUX.dbx", is that
// file, not another. A file that cannot be measured ends the run.
std::uint64_t FileLength(const std::wstring& folder, const std::wstring& name);

}  // namespace platform
