// The Application event log, written under the source "Tarnwick". advapi32
// and its event log calls are bound on the first event of a run, so a run
// with nothing to report loads nothing more than before; the 32-bit exe
// imports none of them, and they exist on every Windows it starts on.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

enum class EventType : unsigned short { Error = 1, Warning = 2, Information = 4 };

// The most characters of one string that ReportEventW takes (Microsoft's page
// on ReportEventW: 31,839; 32K before Vista). A store path can be longer.
inline constexpr std::size_t kMostEventStringChars = 31839;

// The string as an event carries it: one longer than the event log takes is
// cut to that length, ending in "…" to show the cut, so that the event is
// still written. A character outside the BMP is never cut in half.
std::wstring EventString(const std::wstring& text);

// Writes one event with its strings (the message's inserts, in order), each
// as EventString gives it.
// Returns 0 once the event log took it, or the Windows error code of what
// failed: advapi32 not loaded, a call missing, no right to the log, the
// event log service not running.
unsigned long WriteEvent(EventType type, unsigned long id,
                         const std::vector<std::wstring>& strings);

// The name of the user the program runs as, empty when it cannot be had.
// Bound like the event calls, and called only for an event.
std::wstring EventUserName();

}  // namespace platform
