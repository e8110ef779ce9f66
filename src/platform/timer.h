#pragma once
// Timers and the clock behind an interface, so schedules are tested without waiting.
#include <chrono>
#include <functional>

namespace korvane::platform {

class Timer {
  public:
    virtual ~Timer() = default;
    virtual void SetInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    // Called on the UI thread each time the interval elapses while enabled.
    std::function<void()> onTimer;
};

// Test double and headless stand-in: fires only when told.
class ManualTimer : public Timer {
  public:
    void SetInterval(int milliseconds) override { interval_ = milliseconds; }
    int Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool Enabled() const override { return enabled_; }
    // Runs the handler as the elapsed interval would; a disabled timer does nothing.
    void Fire() {
        if (enabled_ && onTimer) onTimer();
    }

  private:
    int interval_ = 1000;
    bool enabled_ = false;
};

using TimePoint = std::chrono::system_clock::time_point;

class Clock {
  public:
    virtual ~Clock() = default;
    virtual TimePoint Now() const = 0;
};

class SystemClock : public Clock {
  public:
    TimePoint Now() const override { return std::chrono::system_clock::now(); }
};

class ManualClock : public Clock {
  public:
    explicit ManualClock(TimePoint now = {}) : now_(now) {}
    TimePoint Now() const override { return now_; }
    void Set(TimePoint now) { now_ = now; }
    void Advance(std::chrono::milliseconds by) { now_ += by; }

  private:
    TimePoint now_;
};

}  // namespace korvane::platform
