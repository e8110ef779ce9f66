#include "grouplink/plugin_messages.h"

#include <QApplication>
#include <QThread>
#include <cstdio>

#include "ui/qt_messages.h"

namespace korvane::grouplink {

bool HasDisplay() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app && QThread::currentThread() == app->thread();
}

platform::MessageAnswer PluginMessages::Show(const platform::Message& message) {
    if (!HasDisplay()) {
        std::fprintf(stderr, "%s: %s\n", message.caption.c_str(), message.text.c_str());
        return platform::MessageAnswer::Ok;
    }
    // The plug-in's texts are in the locale's 8-bit charset; the program's boxes take UTF-8.
    platform::Message box = message;
    box.caption = QString::fromLocal8Bit(message.caption).toStdString();
    box.text = QString::fromLocal8Bit(message.text).toStdString();
    box.buttons = platform::MessageButtons::Ok;
    ui::QtMessages().Show(box);
    return platform::MessageAnswer::Ok;
}

}  // namespace korvane::grouplink
