#pragma once

#include <QString>

namespace app {

// The program's only feedback to the user: a box with `text`, the caption
// "信息：", one OK button and no icon. It has no owner window, is modal for
// the whole program and returns when it is dismissed. It keeps itself above
// other windows, so that it stays visible even while the main window is in
// the always-on-top layer (otherwise a box hidden behind it would block the
// program with no way to answer it).
void showMessage(const QString& text);

}  // namespace app
