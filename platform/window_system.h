#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "automation/automation_object.h"

namespace platform {

// A window handle: a 32-bit value, 0 for none. Code that walks children reads
// it as a signed number where it must (a handle with its top bit set is not
// greater than 0).
using WindowHandle = std::uint32_t;

// The class name that a browser's document window reports.
inline constexpr const char* kBrowserDocumentClass = "Internet Explorer_Server";

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The window system as the page library and the picker see it: a tree of
// windows with handles, class names, children in Z order (topmost first),
// hit testing and rectangles in screen pixels, and a document request for
// browser document windows. The application registers its widget tree as the
// real implementation; tests use a small fake tree for cases a real one
// cannot make.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The first child of `parent`, or the first top-level window when
    // `parent` is 0; 0 when there is none.
    virtual WindowHandle firstChild(WindowHandle parent) = 0;
    // The sibling after `child` among the children of `parent`; 0 at the end.
    virtual WindowHandle nextSibling(WindowHandle parent, WindowHandle child) = 0;
    // The window's class name; nothing when the window does not exist.
    virtual std::optional<std::string> className(WindowHandle window) = 0;
    // The deepest window under a screen point; 0 when none.
    virtual WindowHandle windowFromPoint(ScreenPoint point) = 0;
    // The window's outer rectangle in screen pixels; nothing when it does not exist.
    virtual std::optional<ScreenRect> windowRect(WindowHandle window) = 0;
    // The pointer's position in screen pixels.
    virtual ScreenPoint cursorPosition() = 0;

    // Asks a browser document window for its document. Answers within
    // `timeout`; an empty holder when the window is not a browser document
    // window, does not answer in time, or has no document.
    virtual automation::AutomationObject requestDocument(WindowHandle window,
                                                         std::chrono::milliseconds timeout) = 0;
};

// The window system in use by this process. There is always one: until an
// application installs its own, an empty system with no windows.
WindowSystem& windowSystem();
// Installs `system` (not owned; it must outlive its use) and returns the one
// it replaces. Passing nullptr restores the empty system.
WindowSystem* setWindowSystem(WindowSystem* system);

}  // namespace platform
