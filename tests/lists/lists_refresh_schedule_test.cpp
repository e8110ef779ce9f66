// The next update time by choice and clock alignment.
#include <gtest/gtest.h>

#include "lists/refresh_schedule.h"
#include "support/list_fakes.h"

namespace korvane::lists {
namespace {

using test::LocalTime;

struct Row {
    const char* what;
    int choice;
    bool aligned;
    platform::TimePoint last;
    platform::TimePoint expected;
};

TEST(ListsRefreshSchedule, NextUpdateTimeTable) {
    const Row rows[] = {
        {"daily", kRefreshDaily, false, LocalTime(2026, 4, 14, 14, 20, 30, 250),
         LocalTime(2026, 4, 15, 14, 20, 30, 250)},
        {"daily aligned: next midnight, milliseconds dropped", kRefreshDaily, true,
         LocalTime(2026, 4, 8, 23, 59, 30, 500), LocalTime(2026, 4, 9, 0, 0, 0)},
        {"daily aligned from midnight itself", kRefreshDaily, true, LocalTime(2026, 4, 9, 0, 0, 0),
         LocalTime(2026, 4, 10, 0, 0, 0)},
        {"daily aligned over the year's end", kRefreshDaily, true,
         LocalTime(2026, 12, 31, 12, 0, 0), LocalTime(2027, 1, 1, 0, 0, 0)},
        {"hourly", kRefreshHourly, false, LocalTime(2026, 4, 14, 14, 0, 10, 123),
         LocalTime(2026, 4, 14, 15, 0, 10, 123)},
        {"hourly aligned keeps the milliseconds", kRefreshHourly, true,
         LocalTime(2026, 4, 14, 14, 0, 10, 123), LocalTime(2026, 4, 14, 15, 0, 0, 123)},
        {"hourly aligned one second before", kRefreshHourly, true,
         LocalTime(2026, 4, 14, 14, 59, 59), LocalTime(2026, 4, 14, 15, 0, 0)},
        {"hourly aligned on the hour moves on", kRefreshHourly, true,
         LocalTime(2026, 4, 14, 14, 0, 0), LocalTime(2026, 4, 14, 15, 0, 0)},
        {"hourly aligned over midnight", kRefreshHourly, true, LocalTime(2026, 4, 14, 23, 30, 5),
         LocalTime(2026, 4, 15, 0, 0, 0)},
        {"15 minutes", kRefresh15Minutes, false, LocalTime(2026, 4, 14, 10, 7, 3, 9),
         LocalTime(2026, 4, 14, 10, 22, 3, 9)},
        {"15 minutes aligned", kRefresh15Minutes, true, LocalTime(2026, 4, 14, 10, 7, 0),
         LocalTime(2026, 4, 14, 10, 15, 0)},
        {"15 minutes aligned past a quarter", kRefresh15Minutes, true,
         LocalTime(2026, 4, 14, 10, 15, 20, 400), LocalTime(2026, 4, 14, 10, 30, 0, 400)},
        {"15 minutes aligned on a quarter moves on", kRefresh15Minutes, true,
         LocalTime(2026, 4, 14, 10, 45, 0), LocalTime(2026, 4, 14, 11, 0, 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto got = NextUpdateTime(row.choice, row.aligned, row.last);
        EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(got - row.expected).count(),
                  0);
    }
}

}  // namespace
}  // namespace korvane::lists
