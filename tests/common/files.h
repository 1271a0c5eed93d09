// Files for the tests: the build folder, scratch folders, whole files as
// bytes, and sparse files that take no disk however long they are.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace common {

// What a helper reports when it could not do its part (a file it could not
// make, a process it could not start). Each program that links the helpers
// defines it: a test failure in the test programs (report_gtest.cpp), a
// message and an exit in the bench, a printed line in the driver.
void ReportFailure(const std::string& what);

// The folder that holds this program and the Tarnwick.exe built with it,
// ending in a backslash.
std::wstring BuildFolder();

std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
// A file of the given length that is never written: sparse.
void MakeFile(const std::wstring& path, std::uint64_t length);
// Removes a folder and all it holds (also names with a final dot or space,
// and paths past MAX_PATH), with or without its final backslash.
void RemoveTree(const std::wstring& path);
// Makes every folder of a full path, in the form that has no length limit.
void MakeFolders(const std::wstring& path);
// The path without a final backslash, if it has one.
std::wstring WithoutFinalBackslash(const std::wstring& path);

// A file held open as another program would, for as long as this lives; by
// default the way Outlook Express holds its folder files: read and write, no
// sharing. Made if missing.
class HeldFile {
  public:
    explicit HeldFile(const std::wstring& path, DWORD access = GENERIC_READ | GENERIC_WRITE,
                      DWORD share = 0);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

  private:
    HANDLE handle_;
};

// A test's own folder under the build folder's scratch\, emptied when made
// and left afterwards, so that what a failed test saw can be looked at. It
// holds the profile and log paths the program would use, and a store folder.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::wstring& name);
    std::wstring dir;    // ends in a backslash
    std::wstring ini;    // dir + Tarnwick.ini
    std::wstring log;    // dir + Tarnwick.log
    std::wstring store;  // dir + store\ (created)

    // The profile's bytes exactly as a user's editor would have saved them.
    void WriteIni(const std::string& bytes) const;
    std::string IniBytes() const;
    std::string LogBytes() const;
    // The log's messages, decoded from code page 932, each without its date
    // and time (see LogMessages in readers.h).
    std::vector<std::wstring> LogMessages() const;
};

}  // namespace common
