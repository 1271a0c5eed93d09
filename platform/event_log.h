// The Application event log, written under the source "Tarnwick". advapi32
// and its event log calls are bound on the first event of a run, so a run
// with nothing to report loads nothing more than before; the 32-bit exe
// imports none of them, and they exist on every Windows it starts on.
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class EventType : unsigned short { Error = 1, Warning = 2, Information = 4 };

// Writes one event with its strings (the message's inserts, in order).
// Returns 0 once the event log took it, or the Windows error code of what
// failed: advapi32 not loaded, a call missing, no right to the log, the
// event log service not running.
unsigned long WriteEvent(EventType type, unsigned long id,
                         const std::vector<std::wstring>& strings);

// The name of the user the program runs as, empty when it cannot be had.
// Bound like the event calls, and called only for an event.
std::wstring EventUserName();

}  // namespace platform
