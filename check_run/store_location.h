#pragma once

#include <string>

enum class StoreOutcome { Found, NoIdentity, NoStoreRoot };

// Finds the default identity and its store folder, sets RunState.StoreRoot
// when found, and logs what it found or what is missing. A store location
// that is not a full path once its references are replaced and its final
// backslash added (empty, relative, or relative to the current drive; "D:"
// becomes "D:\", a full path) ends the run.
StoreOutcome LocateStore();

// Replaces the nine known environment references, in their fixed order,
// each by the variable's value (nothing when unset). Matching is exact.
std::wstring ExpandStoreReferences(std::wstring location);
