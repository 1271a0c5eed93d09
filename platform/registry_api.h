// The three registry calls the registry reader makes, bound at run time.
// Windows 7 and later (and Wine) export them from kernel32, which every
// process has loaded; Windows XP only from advapi32, which is loaded then.
// Taking them from kernel32 where it has them spares a check that writes no
// event the loading of advapi32: about a tenth of a 20-file check's time
// under Wine (make bench, against a build that loads advapi32 at start).
#pragma once

#include <windows.h>

namespace platform {

struct RegistryApi {
    decltype(&::RegOpenKeyExW) RegOpenKeyExW;
    decltype(&::RegQueryValueExW) RegQueryValueExW;
    decltype(&::RegCloseKey) RegCloseKey;
};

const RegistryApi& Registry();

}  // namespace platform
