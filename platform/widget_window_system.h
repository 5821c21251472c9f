#pragma once

#include <QHash>
#include <QPointer>
#include <memory>

#include "platform/window_system.h"

class QObject;
class QWidget;
class QWebEngineView;

namespace platform {

// The window system over the application's own Qt widget tree.
//
// Every widget gets a handle when it is first seen: a 32-bit value with the
// top bit clear, the same for the widget's whole life and never given to
// another widget while it lives. The children of a widget are its child
// widgets that are not windows themselves, topmost first; the children of 0
// are the application's windows, the active one first. A widget reports its Qt
// class name, except the document widget of an embedded browser view (the
// view's focus proxy, the widget that renders the page), which reports
// "Internet Explorer_Server".
//
// A document request to the document widget of a registered view answers with
// that view's current document, through the view's own late-bound backend
// (embedded::ViewBinding: script in the application's world of the page, no
// debugging endpoint and no socket), within the request's time bound. The
// document is fetched afresh on every request. Requests must start from the
// application's own events, never from inside a browser callback.
class WidgetWindowSystem final : public WindowSystem {
public:
    WidgetWindowSystem();
    ~WidgetWindowSystem() override;
    WidgetWindowSystem(const WidgetWindowSystem&) = delete;
    WidgetWindowSystem& operator=(const WidgetWindowSystem&) = delete;

    // The process's widget window system, created and installed as the
    // window system in use on the first call.
    static WidgetWindowSystem& instance();

    // The handle of `widget`; 0 for null.
    WindowHandle handleFor(QWidget* widget);
    // The live widget behind `handle`; null when there is none (any more).
    QWidget* widgetFor(WindowHandle handle) const;

    // Makes `view` reachable by document requests. It loads nothing and adds
    // no script: the view is made with its scripts (app/browser_view.h).
    // Registering a view twice does nothing.
    void registerBrowserView(QWebEngineView* view);

    // Whether `view` is registered and has a page that requests can reach.
    [[nodiscard]] bool isConnected(QWebEngineView* view) const;

    // The embedded view whose document widget `widget` is; null otherwise.
    static QWebEngineView* viewOfDocumentWidget(QWidget* widget);

    WindowHandle firstChild(WindowHandle parent) override;
    WindowHandle nextSibling(WindowHandle parent, WindowHandle child) override;
    std::optional<std::string> className(WindowHandle window) override;
    WindowHandle windowFromPoint(ScreenPoint point) override;
    std::optional<ScreenRect> windowRect(WindowHandle window) override;
    ScreenPoint cursorPosition() override;
    automation::AutomationObject requestDocument(WindowHandle window,
                                                 std::chrono::milliseconds timeout) override;

private:
    std::vector<WindowHandle> children(WindowHandle parent);

    QHash<QWidget*, WindowHandle> handles_;
    QHash<WindowHandle, QWidget*> widgets_;
    WindowHandle nextHandle_ = 1;
    QHash<QWebEngineView*, QPointer<QWebEngineView>> views_;
    std::unique_ptr<QObject> context_;
    WindowSystem* previous_ = nullptr;
    bool installed_ = false;
};

// Registers `view` with the process's widget window system (installing that
// system on first use); see WidgetWindowSystem::registerBrowserView.
void registerBrowserView(QWebEngineView* view);

}  // namespace platform
