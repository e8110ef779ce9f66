#include "ui/qt_timer.h"

namespace korvane::ui {

QtTimer::QtTimer() {
    timer_.setInterval(1000);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (onTimer) onTimer();
    });
}

// Enabling a running timer keeps its count, as a toolkit timer whose Enabled is set again does.
void QtTimer::SetEnabled(bool enabled) {
    if (enabled == timer_.isActive()) return;
    if (enabled) {
        timer_.start();
    } else {
        timer_.stop();
    }
}

}  // namespace korvane::ui
