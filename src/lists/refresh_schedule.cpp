#include "lists/refresh_schedule.h"

#include <ctime>

namespace korvane::lists {

platform::TimePoint NextUpdateTime(int choice, bool alignToClock, platform::TimePoint lastUpdate) {
    using namespace std::chrono;
    const auto wholeSeconds = floor<seconds>(lastUpdate);
    const auto fraction = lastUpdate - wholeSeconds;
    const std::time_t t = system_clock::to_time_t(wholeSeconds);
    std::tm local{};
    localtime_r(&t, &local);

    switch (choice) {
        case kRefreshDaily: {
            // The next calendar day in local time, so a daylight-saving change keeps the hour.
            local.tm_mday += 1;
            if (alignToClock) local.tm_hour = local.tm_min = local.tm_sec = 0;
            local.tm_isdst = -1;
            const auto next = system_clock::from_time_t(std::mktime(&local));
            return alignToClock ? next : next + fraction;
        }
        case kRefreshHourly:
            if (!alignToClock) return lastUpdate + minutes(60);
            return lastUpdate + minutes(60 - local.tm_min) - seconds(local.tm_sec);
        default:
            if (!alignToClock) return lastUpdate + minutes(15);
            return lastUpdate + minutes(15 - local.tm_min % 15) - seconds(local.tm_sec);
    }
}

}  // namespace korvane::lists
