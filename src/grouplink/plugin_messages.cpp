#include "grouplink/plugin_messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <cstdio>

namespace korvane::grouplink {
namespace {

QMessageBox::Icon BoxIcon(platform::MessageIcon icon) {
    switch (icon) {
        case platform::MessageIcon::Information:
            return QMessageBox::Information;
        case platform::MessageIcon::Warning:
            return QMessageBox::Warning;
        case platform::MessageIcon::Error:
            return QMessageBox::Critical;
        case platform::MessageIcon::Question:
            return QMessageBox::Question;
        case platform::MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

bool HasDisplay() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app && QThread::currentThread() == app->thread();
}

platform::MessageAnswer PluginMessages::Show(const platform::Message& message) {
    if (!HasDisplay()) {
        std::fprintf(stderr, "%s: %s\n", message.caption.c_str(), message.text.c_str());
        return platform::MessageAnswer::Ok;
    }
    QMessageBox box(BoxIcon(message.icon), QString::fromLocal8Bit(message.caption),
                    QString::fromLocal8Bit(message.text), QMessageBox::Ok);
    box.exec();
    return platform::MessageAnswer::Ok;
}

}  // namespace korvane::grouplink
