// The local date and time, as the log writes them.
#pragma once

#include <string>

namespace platform {

// The local date and time of one moment, in the user's own short forms.
struct LocalNowText {
    std::wstring date;
    std::wstring time;
};
LocalNowText LocalDateAndTimeText();

}  // namespace platform
