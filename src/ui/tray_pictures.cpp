#include "ui/tray_pictures.h"

#include <QPainter>
#include <QPixmap>

namespace korvane::ui {

QIcon TrayPictureIcon(routing::TrayPicture picture) {
    using routing::TrayPicture;
    const bool activated =
        picture == TrayPicture::IconOn || picture == TrayPicture::UnavailableActivated;
    const bool unavailable = picture == TrayPicture::UnavailableActivated ||
                             picture == TrayPicture::UnavailableDeactivated;
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 40), 2));
    painter.setBrush(activated ? QColor(200, 40, 40) : QColor(60, 160, 60));
    painter.drawEllipse(3, 3, 26, 26);
    painter.drawLine(16, 3, 16, 29);
    painter.drawEllipse(10, 3, 12, 26);
    painter.drawLine(3, 16, 29, 16);
    if (unavailable) {
        painter.setPen(QPen(QColor(230, 200, 0), 5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(6, 26, 26, 6);
    }
    return QIcon(pixmap);
}

}  // namespace korvane::ui
