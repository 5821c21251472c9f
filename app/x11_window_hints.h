#pragma once

class QWidget;

namespace app {

// Window-manager requests for a shown top-level window on X11. Each returns
// false, doing nothing, when the program does not run on X11 or the window
// has no native window yet.

// Asks the window manager to put the window into (true) or out of (false)
// the always-on-top layer (_NET_WM_STATE_ABOVE). Unlike changing Qt's window
// flags, this neither re-creates nor re-shows the window, so it keeps its
// place, size and activation.
bool requestStaysAbove(QWidget& window, bool above);

// A fixed frame: title bar with system menu, minimise, maximise and close,
// and no resize handles (_MOTIF_WM_HINTS). Resizing stays among the
// window's functions because window managers refuse to maximise a window
// that may not be resized. Qt rewrites these hints whenever the window's
// flags change, so call this after showing and after such changes.
bool setFixedFrameHints(QWidget& window);

}  // namespace app
