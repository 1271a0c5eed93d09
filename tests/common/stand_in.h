// The stand-in DLL (stand_in/uxtheme.cpp), placed under the names of system
// DLLs in a folder from which the program must never load a DLL.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace common {

// Copies the stand-in into `folder` (ending in a backslash) as each of
// `names` ("uxtheme": uxtheme.dll). Wine prefers its own built-in DLLs;
// while this lives it is told to prefer a DLL of each name found by the
// search, as Windows (which has no built-in ones) does:
// HKCU\Software\Wine\DllOverrides, name = native,builtin, which Wine reads
// at each load, also in a process already running. Both are undone at the
// end.
class PlantedDlls {
  public:
    PlantedDlls(const std::wstring& folder, std::initializer_list<const wchar_t*> names);
    ~PlantedDlls();
    PlantedDlls(const PlantedDlls&) = delete;
    PlantedDlls& operator=(const PlantedDlls&) = delete;
    // For each time a planted copy was loaded, its path and the exe of the
    // process, a line; empty when none was.
    std::wstring Loads() const;

  private:
    std::vector<std::wstring> names_;
    std::wstring folder_, marker_;
};

// The full path of the system folder's own copy of a DLL ("lpk.dll"), or
// empty when the system has none (Wine has no lpk.dll).
std::wstring SystemCopy(const std::wstring& name);

}  // namespace common
