// The local date and time, as the log writes them.
#pragma once

#include <string>

namespace platform {

// The local date and time of one moment, in the user's own forms: the
// short date and the time format (2026/12/07 and H:mm:ss by default on a
// Japanese Windows).
struct LocalNowText {
    std::wstring date;
    std::wstring time;
};
LocalNowText LocalDateAndTimeText();

}  // namespace platform
