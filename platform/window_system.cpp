#include "platform/window_system.h"

namespace platform {
namespace {

// The system in force before an application installs its own: no windows.
class EmptyWindowSystem final : public WindowSystem {
public:
    WindowHandle firstChild(WindowHandle /*parent*/) override { return 0; }
    WindowHandle nextSibling(WindowHandle /*parent*/, WindowHandle /*child*/) override { return 0; }
    std::optional<std::string> className(WindowHandle /*window*/) override { return std::nullopt; }
    WindowHandle windowFromPoint(ScreenPoint /*point*/) override { return 0; }
    std::optional<ScreenRect> windowRect(WindowHandle /*window*/) override { return std::nullopt; }
    ScreenPoint cursorPosition() override { return {}; }
    automation::AutomationObject requestDocument(WindowHandle /*window*/,
                                                 std::chrono::milliseconds /*timeout*/) override {
        return {};
    }
};

EmptyWindowSystem emptySystem;
WindowSystem* current = &emptySystem;

}  // namespace

WindowSystem& windowSystem() { return *current; }

WindowSystem* setWindowSystem(WindowSystem* system) {
    WindowSystem* previous = current;
    current = system != nullptr ? system : &emptySystem;
    return previous;
}

}  // namespace platform
