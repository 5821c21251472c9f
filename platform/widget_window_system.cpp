#include "platform/widget_window_system.h"

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimer>
#include <QUrl>
#include <QUuid>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>
#include <QWidget>
#include <algorithm>

#include "automation/cdp_session.h"
#include "automation/embedded_endpoint.h"
#include "page/compatibility_layer.h"

namespace platform {
namespace {

// Handles keep the top bit clear, as real window handles read as positive
// numbers by the walks over children.
constexpr WindowHandle kLastHandle = 0x7FFFFFFFu;

QString tokenAddress(const QString& token) { return QStringLiteral("about:blank#") + token; }

int remainingMs(const QDeadlineTimer& deadline) {
    return int(std::max<qint64>(1, deadline.remainingTime()));
}

}  // namespace

// The system's connections to widgets and views end with it, so that a
// signal can never reach a system that is gone.
WidgetWindowSystem::WidgetWindowSystem() : context_(std::make_unique<QObject>()) {}

WidgetWindowSystem::~WidgetWindowSystem() {
    if (installed_ && &windowSystem() == this) setWindowSystem(previous_);
}

WidgetWindowSystem& WidgetWindowSystem::instance() {
    // Never destroyed: sessions and sockets must not be torn down after the
    // application object is gone.
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
    auto registered = std::make_shared<RegisteredView>();
    registered->view = view;
    registered->token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    views_.insert(view, registered);

    QWebEngineScript compat;
    compat.setName(QStringLiteral("compatibility layer"));
    compat.setSourceCode(page::compatibilityLayerSource());
    compat.setInjectionPoint(QWebEngineScript::DocumentCreation);
    compat.setWorldId(QWebEngineScript::MainWorld);
    compat.setRunsOnSubFrames(true);
    view->page()->scripts().insert(compat);

    QObject::connect(view, &QObject::destroyed, context_.get(),
                     [this, view] { views_.remove(view); });
    // Once the token address has loaded, the view's target is looked up and
    // its session opened, early, so that the session's settings (a content
    // policy that must not stop the library's scripts) hold for the pages
    // the view loads next. The work is queued: a wait inside the engine's own
    // signal would never end.
    std::weak_ptr<RegisteredView> weak = registered;
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = QObject::connect(view, &QWebEngineView::loadFinished, context_.get(),
                             [this, weak, once](bool ok) {
                                 QObject::disconnect(*once);
                                 if (!ok) return;
                                 QTimer::singleShot(0, context_.get(), [this, weak] {
                                     if (auto r = weak.lock(); r && r->view) sessionFor(*r, 1000);
                                 });
                             });
    view->setUrl(QUrl(tokenAddress(registered->token)));
}

bool WidgetWindowSystem::isConnected(QWebEngineView* view) const {
    const std::shared_ptr<RegisteredView> registered = views_.value(view);
    return registered && registered->session && registered->session->isConnected();
}

quint16 WidgetWindowSystem::debuggingPort() const {
    return port_ != 0 ? port_ : automation::embeddedDebuggingPort();
}

bool WidgetWindowSystem::findTarget(RegisteredView& registered, int timeoutMs) {
    const quint16 port = debuggingPort();
    if (port == 0 || registered.view.isNull()) return false;
    auto targets = automation::listTargets(port, timeoutMs);
    const auto* list = std::get_if<QJsonArray>(&targets);
    if (list == nullptr) return false;

    // The page still showing the token address is the view's. When the view
    // has moved on before it was found, a page showing the view's current
    // address is taken, if it is the only one that no other view claims.
    const QString token = tokenAddress(registered.token);
    const QUrl current = registered.view->url();
    QString byAddress;
    int sameAddress = 0;
    for (const QJsonValue& entry : *list) {
        const QJsonObject target = entry.toObject();
        if (target.value("type").toString() != QLatin1String("page")) continue;
        const QString id = target.value("id").toString();
        const QString url = target.value("url").toString();
        if (url == token) {
            registered.targetId = id;
            return true;
        }
        const bool claimed = std::any_of(views_.cbegin(), views_.cend(), [&](const auto& other) {
            return other.get() != &registered && other->targetId == id;
        });
        if (!claimed && QUrl(url) == current) {
            byAddress = id;
            ++sameAddress;
        }
    }
    if (sameAddress != 1) return false;
    registered.targetId = byAddress;
    return true;
}

std::shared_ptr<automation::CdpSession> WidgetWindowSystem::sessionFor(RegisteredView& registered,
                                                                       int timeoutMs) {
    if (registered.session && registered.session->isConnected()) return registered.session;
    registered.session.reset();
    const quint16 port = debuggingPort();
    if (port == 0) return nullptr;
    const QDeadlineTimer deadline(timeoutMs);
    if (registered.targetId.isEmpty() && !findTarget(registered, timeoutMs)) return nullptr;
    registered.session =
        automation::openPageSessionById(port, registered.targetId, remainingMs(deadline));
    return registered.session;
}

automation::AutomationObject WidgetWindowSystem::requestDocument(
    WindowHandle window, std::chrono::milliseconds timeout) {
    QWebEngineView* view = viewOfDocumentWidget(widgetFor(window));
    if (view == nullptr) return {};
    const std::shared_ptr<RegisteredView> registered = views_.value(view);
    if (!registered) return {};
    const QDeadlineTimer deadline(timeout.count());
    std::shared_ptr<automation::CdpSession> session =
        sessionFor(*registered, remainingMs(deadline));
    if (!session) return {};
    automation::AutomationObject document = session->document(remainingMs(deadline));
    // A session that broke since its last use (the engine restarted the
    // page's process) is opened again once, within the same bound.
    if (document.isEmpty() && !session->isConnected() && !deadline.hasExpired()) {
        session = sessionFor(*registered, remainingMs(deadline));
        if (session) document = session->document(remainingMs(deadline));
    }
    return document;
}

void registerBrowserView(QWebEngineView* view) {
    WidgetWindowSystem::instance().registerBrowserView(view);
}

}  // namespace platform
