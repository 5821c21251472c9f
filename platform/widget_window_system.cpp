#include "platform/widget_window_system.h"

#include <QApplication>
#include <QCursor>
#include <QWebEngineView>
#include <QWidget>
#include <algorithm>

#include "embedded/view_binding.h"

namespace platform {
namespace {

// Handles keep the top bit clear, as real window handles read as positive
// numbers by the walks over children.
constexpr WindowHandle kLastHandle = 0x7FFFFFFFu;

}  // namespace

// The system's connections to widgets and views end with it, so that a
// signal can never reach a system that is gone.
WidgetWindowSystem::WidgetWindowSystem() : context_(std::make_unique<QObject>()) {}

WidgetWindowSystem::~WidgetWindowSystem() {
    if (installed_ && &windowSystem() == this) setWindowSystem(previous_);
}

WidgetWindowSystem& WidgetWindowSystem::instance() {
    // Never destroyed: nothing of it may be torn down after the application
    // object is gone.
    static WidgetWindowSystem* system = [] {
        auto* created = new WidgetWindowSystem;
        created->previous_ = setWindowSystem(created);
        created->installed_ = true;
        return created;
    }();
    return *system;
}

WindowHandle WidgetWindowSystem::handleFor(QWidget* widget) {
    if (widget == nullptr) return 0;
    if (auto found = handles_.constFind(widget); found != handles_.constEnd()) return *found;
    // Handles are handed out in increasing order and only reused after the
    // whole range went round, never while their widget is alive.
    while (nextHandle_ == 0 || widgets_.contains(nextHandle_)) {
        nextHandle_ = nextHandle_ >= kLastHandle ? 1 : nextHandle_ + 1;
    }
    const WindowHandle handle = nextHandle_;
    nextHandle_ = nextHandle_ >= kLastHandle ? 1 : nextHandle_ + 1;
    handles_.insert(widget, handle);
    widgets_.insert(handle, widget);
    QObject::connect(widget, &QObject::destroyed, context_.get(), [this, widget, handle] {
        handles_.remove(widget);
        widgets_.remove(handle);
    });
    return handle;
}

QWidget* WidgetWindowSystem::widgetFor(WindowHandle handle) const {
    return widgets_.value(handle, nullptr);
}

QWebEngineView* WidgetWindowSystem::viewOfDocumentWidget(QWidget* widget) {
    if (widget == nullptr) return nullptr;
    auto* view = qobject_cast<QWebEngineView*>(widget->parentWidget());
    if (view == nullptr || widget->isWindow()) return nullptr;
    // The view renders its page in one child widget and forwards its focus
    // to it; that widget is the document window.
    return view->focusProxy() == widget ? view : nullptr;
}

std::vector<WindowHandle> WidgetWindowSystem::children(WindowHandle parent) {
    std::vector<WindowHandle> result;
    if (parent == 0) {
        // Qt keeps no Z order between windows; the active window is taken
        // as the topmost, then visible windows before hidden ones.
        QWidgetList windows = QApplication::topLevelWidgets();
        std::stable_sort(windows.begin(), windows.end(), [](QWidget* a, QWidget* b) {
            auto rank = [](QWidget* w) { return w->isActiveWindow() ? 0 : w->isVisible() ? 1 : 2; };
            return rank(a) < rank(b);
        });
        for (QWidget* window : windows) result.push_back(handleFor(window));
        return result;
    }
    QWidget* widget = widgetFor(parent);
    if (widget == nullptr) return result;
    // children() is in stacking order, the topmost last.
    const QObjectList& objects = widget->children();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        auto* child = qobject_cast<QWidget*>(*it);
        if (child != nullptr && !child->isWindow()) result.push_back(handleFor(child));
    }
    return result;
}

WindowHandle WidgetWindowSystem::firstChild(WindowHandle parent) {
    const std::vector<WindowHandle> list = children(parent);
    return list.empty() ? 0 : list.front();
}

WindowHandle WidgetWindowSystem::nextSibling(WindowHandle parent, WindowHandle child) {
    const std::vector<WindowHandle> list = children(parent);
    auto at = std::find(list.begin(), list.end(), child);
    if (at == list.end() || std::next(at) == list.end()) return 0;
    return *std::next(at);
}

std::optional<std::string> WidgetWindowSystem::className(WindowHandle window) {
    QWidget* widget = widgetFor(window);
    if (widget == nullptr) return std::nullopt;
    if (viewOfDocumentWidget(widget) != nullptr) return std::string(kBrowserDocumentClass);
    return std::string(widget->metaObject()->className());
}

WindowHandle WidgetWindowSystem::windowFromPoint(ScreenPoint point) {
    return handleFor(QApplication::widgetAt(point.x, point.y));
}

std::optional<ScreenRect> WidgetWindowSystem::windowRect(WindowHandle window) {
    QWidget* widget = widgetFor(window);
    if (widget == nullptr) return std::nullopt;
    // A window's rectangle includes its frame; a child's is its own area.
    const QRect rect = widget->isWindow()
                           ? widget->frameGeometry()
                           : QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    return ScreenRect{rect.left(), rect.top(), rect.left() + rect.width(),
                      rect.top() + rect.height()};
}

ScreenPoint WidgetWindowSystem::cursorPosition() {
    const QPoint position = QCursor::pos();
    return {position.x(), position.y()};
}

void WidgetWindowSystem::registerBrowserView(QWebEngineView* view) {
    if (view == nullptr || views_.contains(view)) return;
    views_.insert(view, view);
    QObject::connect(view, &QObject::destroyed, context_.get(),
                     [this, view] { views_.remove(view); });
}

bool WidgetWindowSystem::isConnected(QWebEngineView* view) const {
    const QPointer<QWebEngineView> registered = views_.value(view);
    return registered && registered->page() != nullptr;
}

automation::AutomationObject WidgetWindowSystem::requestDocument(
    WindowHandle window, std::chrono::milliseconds timeout) {
    QWebEngineView* view = viewOfDocumentWidget(widgetFor(window));
    if (view == nullptr || !views_.value(view)) return {};
    const std::shared_ptr<embedded::ViewBinding> binding = embedded::ViewBinding::of(view->page());
    if (!binding) return {};
    return binding->document(int(std::max<qint64>(1, timeout.count())));
}

void registerBrowserView(QWebEngineView* view) {
    WidgetWindowSystem::instance().registerBrowserView(view);
}

}  // namespace platform
