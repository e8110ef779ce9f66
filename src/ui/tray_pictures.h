#pragma once
// The four tray pictures, drawn rather than shipped: a globe, red while the wall blocks foreign
// traffic, green while it lets it pass, crossed by a yellow bar while activation is impossible.
#include <QIcon>

#include "routing/tray_view.h"

namespace korvane::ui {

QIcon TrayPictureIcon(routing::TrayPicture picture);

}  // namespace korvane::ui
