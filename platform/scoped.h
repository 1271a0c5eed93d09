// Owners for the Windows handles the program opens, so that every one is
// released on every path out of the function that opened it.
#pragma once

#include <windows.h>

#include "platform/registry_api.h"

namespace platform {

// Null and INVALID_HANDLE_VALUE both mean "nothing to release".
template <typename Handle, BOOL(WINAPI* Close)(Handle)>
class Scoped {
  public:
    Scoped() = default;
    explicit Scoped(Handle handle) : handle_(handle) {}
    ~Scoped() { reset(); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

    Handle get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void reset() {
        if (valid()) Close(handle_);
        handle_ = nullptr;
    }
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }

  private:
    Handle handle_ = nullptr;
};

using ScopedHandle = Scoped<HANDLE, CloseHandle>;
using ScopedFind = Scoped<HANDLE, FindClose>;

inline BOOL WINAPI DeleteGdiObject(HGDIOBJ object) {
    return DeleteObject(object);
}
using ScopedGdiObject = Scoped<HGDIOBJ, DeleteGdiObject>;

class ScopedKey {
  public:
    ScopedKey() = default;
    ~ScopedKey() {
        if (key_ != nullptr) Registry().RegCloseKey(key_);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

}  // namespace platform
