#pragma once
// platform::Timer on a QTimer: ticks arrive on the UI thread's event loop.
#include <QTimer>

#include "platform/timer.h"

namespace korvane::ui {

class QtTimer : public platform::Timer {
  public:
    QtTimer();
    void SetInterval(int milliseconds) override { timer_.setInterval(milliseconds); }
    int Interval() const override { return timer_.interval(); }
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return timer_.isActive(); }

  private:
    QTimer timer_;
};

}  // namespace korvane::ui
