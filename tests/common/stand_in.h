// The stand-in uxtheme.dll (stand_in/uxtheme.cpp), placed in a folder from
// which the program must never load a DLL.
#pragma once

#include <string>

namespace common {

// Copies the stand-in into `folder` (ending in a backslash). Wine prefers
// its own built-in DLLs; while this lives it is told to prefer a uxtheme.dll
// found by the search, as Windows (which has no built-in ones) does:
// HKCU\Software\Wine\DllOverrides, uxtheme = native,builtin, which Wine reads
// at each load, also in a process already running. Both are undone at the
// end.
class PlantedUxtheme {
  public:
    explicit PlantedUxtheme(const std::wstring& folder);
    ~PlantedUxtheme();
    PlantedUxtheme(const PlantedUxtheme&) = delete;
    PlantedUxtheme& operator=(const PlantedUxtheme&) = delete;
    // The exe of each process the stand-in was loaded into, one a line;
    // empty when none.
    std::wstring Loads() const;

  private:
    std::wstring dll_, marker_;
};

}  // namespace common
