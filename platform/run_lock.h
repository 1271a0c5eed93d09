// One check at a time for the same profile and log.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// A lock named after the files "folder\name.*", held from its making to its
// end by at most one process of the session. The folder's letter case and
// short (8.3) name do not matter: "C:\TARNWI~1" and "c:\tarnwick" are one lock.
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
