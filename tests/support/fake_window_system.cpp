#include "tests/support/fake_window_system.h"

#include <algorithm>

namespace testing_support {

FakeWindowSystem::FakeWindowSystem() : previous_(platform::setWindowSystem(this)) {}

FakeWindowSystem::~FakeWindowSystem() { platform::setWindowSystem(previous_); }

void FakeWindowSystem::add(WindowHandle parent, WindowHandle window, std::string className) {
    children_[parent].push_back(window);
    windows_[window].className = std::move(className);
}

void FakeWindowSystem::addUnnamed(WindowHandle parent, WindowHandle window) {
    children_[parent].push_back(window);
    windows_[window].className.reset();
}

void FakeWindowSystem::setDocument(WindowHandle window,
                                   const automation::AutomationObject& document) {
    windows_[window].document = document.duplicate();
}

FakeWindowSystem::WindowHandle FakeWindowSystem::firstChild(WindowHandle parent) {
    auto found = children_.find(parent);
    if (found == children_.end() || found->second.empty()) return 0;
    return found->second.front();
}

FakeWindowSystem::WindowHandle FakeWindowSystem::nextSibling(WindowHandle parent,
                                                             WindowHandle child) {
    auto found = children_.find(parent);
    if (found == children_.end()) return 0;
    const std::vector<WindowHandle>& list = found->second;
    auto at = std::find(list.begin(), list.end(), child);
    if (at == list.end() || std::next(at) == list.end()) return 0;
    return *std::next(at);
}

std::optional<std::string> FakeWindowSystem::className(WindowHandle window) {
    auto found = windows_.find(window);
    if (found == windows_.end()) return std::nullopt;
    return found->second.className;
}

FakeWindowSystem::WindowHandle FakeWindowSystem::windowFromPoint(platform::ScreenPoint /*point*/) {
    return 0;
}

std::optional<platform::ScreenRect> FakeWindowSystem::windowRect(WindowHandle /*window*/) {
    return std::nullopt;
}

platform::ScreenPoint FakeWindowSystem::cursorPosition() { return {}; }

automation::AutomationObject FakeWindowSystem::requestDocument(
    WindowHandle window, std::chrono::milliseconds /*timeout*/) {
    requests_.push_back(window);
    auto found = windows_.find(window);
    if (found == windows_.end()) return {};
    return found->second.document.duplicate();
}

}  // namespace testing_support
