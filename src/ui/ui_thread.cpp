#include "ui/ui_thread.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace korvane::ui {

platform::PostToUiThread MakePostToUiThread() {
    return [](std::function<void()> task) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task),
                                  Qt::QueuedConnection);
    };
}

}  // namespace korvane::ui
