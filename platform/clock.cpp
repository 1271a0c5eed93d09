#include "platform/clock.h"

#include <windows.h>

#include "platform/failure.h"

namespace platform {

LocalNowText LocalDateAndTimeText() {
    // One reading of the clock for both: read separately, a line written
    // at midnight could get the old day's date with the new day's time.
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t date[128] = {}, time[128] = {};
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 128) == 0 ||
        GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, 128) == 0) {
        FailWithLastError(L"現在の日付と時刻を取得できません。");
    }
    return {date, time};
}

}  // namespace platform
