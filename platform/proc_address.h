// Functions taken from a DLL at run time, for the calls that are bound only
// when needed.
#pragma once

#include <windows.h>

namespace platform {

// Sets `function` to the export `name` of `module`; false when the module or
// the export is missing.
template <typename Function>
bool Bind(HMODULE module, const char* name, Function* function) {
    if (module == nullptr) return false;
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return *function != nullptr;
}

}  // namespace platform
