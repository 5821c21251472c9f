#pragma once

#include <map>
#include <string>
#include <vector>

#include "automation/automation_object.h"
#include "platform/window_system.h"

namespace testing_support {

// A window tree built by hand, for the cases that a real widget tree cannot
// make (a handle with its top bit set, a window whose class name cannot be
// read, a browser window that does not answer). It installs itself as the
// process's window system while it lives and restores the previous one after.
//
// Handles are chosen by the test. Children are kept in Z order, topmost
// first, in the order they were added; parent 0 holds the top-level windows.
class FakeWindowSystem final : public platform::WindowSystem {
public:
    using WindowHandle = platform::WindowHandle;

    FakeWindowSystem();
    ~FakeWindowSystem() override;
    FakeWindowSystem(const FakeWindowSystem&) = delete;
    FakeWindowSystem& operator=(const FakeWindowSystem&) = delete;

    // Adds `window` as the last (bottom-most) child of `parent`.
    void add(WindowHandle parent, WindowHandle window, std::string className);
    // A window that is listed among its parent's children but whose class
    // name cannot be read.
    void addUnnamed(WindowHandle parent, WindowHandle window);
    // The document that a request to `window` answers with (its own reference).
    void setDocument(WindowHandle window, const automation::AutomationObject& document);

    // The windows that were asked for a document, in order.
    [[nodiscard]] const std::vector<WindowHandle>& documentRequests() const { return requests_; }

    WindowHandle firstChild(WindowHandle parent) override;
    WindowHandle nextSibling(WindowHandle parent, WindowHandle child) override;
    std::optional<std::string> className(WindowHandle window) override;
    WindowHandle windowFromPoint(platform::ScreenPoint point) override;
    std::optional<platform::ScreenRect> windowRect(WindowHandle window) override;
    platform::ScreenPoint cursorPosition() override;
    automation::AutomationObject requestDocument(WindowHandle window,
                                                 std::chrono::milliseconds timeout) override;

private:
    struct Window {
        std::optional<std::string> className;
        automation::AutomationObject document;
    };

    std::map<WindowHandle, std::vector<WindowHandle>> children_;
    std::map<WindowHandle, Window> windows_;
    std::vector<WindowHandle> requests_;
    platform::WindowSystem* previous_;
};

}  // namespace testing_support
