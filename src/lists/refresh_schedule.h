#pragma once
// When the next list update is due, by the choice of ComboBoxRefreshList.
#include "platform/timer.h"

namespace korvane::lists {

enum RefreshChoice {
    kRefreshNever = 0,
    kRefreshDaily = 1,
    kRefreshHourly = 2,
    kRefresh15Minutes = 3
};

// From the last update, in local time. Aligned to the clock: the next midnight, full hour or
// quarter hour after it (a time already on one moves to the next); the seconds become 0 and the
// milliseconds stay, except at midnight. Choice must be daily, hourly or every 15 minutes.
platform::TimePoint NextUpdateTime(int choice, bool alignToClock, platform::TimePoint lastUpdate);

}  // namespace korvane::lists
