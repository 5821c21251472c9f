#pragma once

#include "platform/window_system.h"

class QWidget;

namespace app {

// A stable 32-bit handle for a widget, the same for the widget's whole life
// and never 0. Stands in until the window-system layer over the widget tree
// hands out the handles itself; only controlHandle uses it.
platform::WindowHandle handleOfWidget(QWidget* widget);

}  // namespace app
