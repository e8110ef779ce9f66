#pragma once
// The refresh timer with the tray's pause: while paused it delivers no ticks, whatever it is
// doing; on resuming it counts again from the start of its interval.
#include "platform/timer.h"

namespace korvane::lists {

class PausableTimer : public platform::Timer {
  public:
    explicit PausableTimer(platform::Timer& inner) : inner_(inner) {
        inner_.onTimer = [this] {
            if (onTimer) onTimer();
        };
    }
    ~PausableTimer() override { inner_.onTimer = nullptr; }
    PausableTimer(const PausableTimer&) = delete;
    PausableTimer& operator=(const PausableTimer&) = delete;

    void SetInterval(int milliseconds) override { inner_.SetInterval(milliseconds); }
    int Interval() const override { return inner_.Interval(); }
    // Whether the timer runs; it ticks only while it runs and is not paused.
    void SetEnabled(bool enabled) override {
        enabled_ = enabled;
        Apply();
    }
    bool Enabled() const override { return enabled_; }

    void SetPaused(bool paused) {
        paused_ = paused;
        Apply();
    }
    bool Paused() const { return paused_; }

  private:
    void Apply() { inner_.SetEnabled(enabled_ && !paused_); }

    platform::Timer& inner_;
    bool enabled_ = false;
    bool paused_ = false;
};

}  // namespace korvane::lists
