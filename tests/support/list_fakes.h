#pragma once
// Test doubles for the list download: an HTTP component finished by hand, the wall's hooks,
// and local times built from calendar fields.
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "platform/http.h"
#include "platform/timer.h"
#include "routing/wall_hooks.h"

namespace korvane::test {

class FakeHttpGet : public platform::HttpGet {
  public:
    void GetString(const std::string& url) override {
        if (busy_) return;
        busy_ = true;
        requested.push_back(url);
    }
    bool Busy() const override { return busy_; }
    void Finish(const std::string& body) {
        busy_ = false;
        onDoneString(body);
    }
    void Fail() {
        busy_ = false;
        onError();
    }
    std::vector<std::string> requested;

  private:
    bool busy_ = false;
};

class FakeWall : public routing::WallHooks {
  public:
    void ActivateWall() override { ++activations; }
    void DeactivateWall() override { ++deactivations; }
    bool ActivateChecked() const override { return activateChecked; }
    bool ActivationImpossible() const override { return activationImpossible; }

    int activations = 0;
    int deactivations = 0;
    bool activateChecked = false;
    bool activationImpossible = false;
};

// A local date and time (daylight saving decided by the zone).
inline platform::TimePoint LocalTime(int year, int month, int day, int hour, int minute, int second,
                                     int millisecond = 0) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local)) +
           std::chrono::milliseconds(millisecond);
}

}  // namespace korvane::test
