// One check at a time for the same profile and log.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// A lock named after the files "folder\name.*", held from its making to its
// end by at most one process of the session. The folder is known by its
// volume serial number and file ID, so that every path to it (a mapped
// drive and its UNC path, a subst drive, another letter case, a short 8.3
// name) is one lock. Where those cannot be read, by its path: letter case
// and short name still do not matter there.
class RunLock {
  public:
    RunLock(const std::wstring& folder, const std::wstring& name);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;
    // False when another process holds the lock.
    bool held() const { return held_; }

  private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
};

}  // namespace platform
