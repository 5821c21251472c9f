#include "app/element_picker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QWebEngineView>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "app/cursor_file.h"
#include "app/main_window.h"
#include "automation/late_bound.h"
#include "platform/widget_window_system.h"

namespace app {
namespace {

using platform::WindowHandle;
using platform::windowSystem;

constexpr const char* kPicture = "图片框2";
constexpr std::chrono::milliseconds kDocumentRequestTimeout{1000};
constexpr const char* kPickedFields[] = {"编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6"};
// windowClassName reads into a buffer of 256 with a limit of 255 characters;
// the document lookup reads with a limit of 259.
constexpr std::size_t kClassNameLimit = 255;
constexpr std::size_t kDocumentClassNameLimit = 259;

const std::optional<CursorImage>& crossHairImage() {
    static const auto image = loadCursorFile(QStringLiteral(":/app/resources/crosshair.cur"));
    return image;
}

const std::optional<CursorImage>& handImage() {
    static const auto image = loadCursorFile(QStringLiteral(":/app/resources/hand.cur"));
    return image;
}

std::string classNameUpTo(WindowHandle window, std::size_t limit) {
    if (window == 0) return {};
    std::string name = windowSystem().className(window).value_or(std::string());
    // The name ends at its first NUL, as a C string read into a buffer would.
    if (const auto nul = name.find('\0'); nul != std::string::npos) name.resize(nul);
    if (name.size() > limit) name.resize(limit);
    return name;
}

// How many of the window's pixels make one CSS pixel of its page: the zoom
// factor of the embedded view whose document window it is, 1 otherwise.
double pixelsPerCssPixel(WindowHandle window) {
    // Only the window system over our own widgets knows the view; a window
    // of another system is taken at zoom 1.
    auto* widgets = dynamic_cast<platform::WidgetWindowSystem*>(&windowSystem());
    if (widgets == nullptr) return 1.0;
    QWebEngineView* view =
        platform::WidgetWindowSystem::viewOfDocumentWidget(widgets->widgetFor(window));
    const double zoom = view != nullptr ? view->zoomFactor() : 1.0;
    return zoom > 0.0 && std::isfinite(zoom) ? zoom : 1.0;
}

// A difference of screen coordinates in the page's pixels, truncated toward
// zero to a 32-bit integer.
std::int32_t toPagePixels(int offset, double scale) {
    const double value = std::trunc(static_cast<double>(offset) / scale);
    constexpr double low = std::numeric_limits<std::int32_t>::min();
    constexpr double high = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value < low ? low : value > high ? high : value);
}

// Holds back the repainting of the fields a pick writes until the pick is
// over. The late-bound calls wait in nested event loops that also paint, so
// without it every call of one pick would repaint the fields in between (the
// cleared ones, then each new text), which costs more than the pick itself.
class FieldPaintHold {
public:
    explicit FieldPaintHold(MainWindow& window) {
        for (const char* name : kPickedFields) {
            QWidget* field = window.control(name);
            if (field != nullptr && field->updatesEnabled()) {
                field->setUpdatesEnabled(false);
                held_.push_back(field);
            }
        }
    }
    ~FieldPaintHold() {
        for (const QPointer<QWidget>& field : held_)
            if (field) field->setUpdatesEnabled(true);
    }
    FieldPaintHold(const FieldPaintHold&) = delete;
    FieldPaintHold& operator=(const FieldPaintHold&) = delete;

private:
    std::vector<QPointer<QWidget>> held_;
};

}  // namespace

ElementPicker::ElementPicker(MainWindow& window)
    : QObject(&window), window_(window), picture_(qobject_cast<QLabel*>(window.control(kPicture))) {
    if (picture_) picture_->installEventFilter(this);
}

void ElementPicker::beginDrag() {
    QLabel* label = picture_;
    if (label == nullptr) return;
    dragging_ = true;
    if (crossHairImage()) label->setCursor(toCursor(*crossHairImage()));
    label->clear();
    // Let the cleared picture and the new pointer show before the drag.
    QCoreApplication::processEvents();
    // A release handled just now has already ended the drag: grabbing then
    // would keep the mouse with nothing left to let it go.
    if (dragging_) label->grabMouse();
}

void ElementPicker::dragMoved() {
    if (dragging_) pickElementUnderCursor(window_);
}

void ElementPicker::endDrag() {
    if (!dragging_) return;
    QLabel* label = picture_;
    if (label == nullptr) return;
    label->releaseMouse();
    dragging_ = false;
    if (handImage()) label->setCursor(toCursor(*handImage()));
    if (crossHairImage()) label->setPixmap(QPixmap::fromImage(crossHairImage()->image));
}

bool ElementPicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched != picture_ || picture_ == nullptr) return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
            beginDrag();
            return true;
        case QEvent::MouseMove:
            dragMoved();
            return true;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
            endDrag();
            return true;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

WindowHandle windowUnderCursor() {
    return windowSystem().windowFromPoint(windowSystem().cursorPosition());
}

std::string windowClassName(WindowHandle window) { return classNameUpTo(window, kClassNameLimit); }

automation::AutomationObject browserDocumentOfWindow(WindowHandle window) {
    if (classNameUpTo(window, kDocumentClassNameLimit) != platform::kBrowserDocumentClass)
        return {};
    return windowSystem().requestDocument(window, kDocumentRequestTimeout);
}

void pickElementUnderCursor(MainWindow& window) {
    const WindowHandle target = windowUnderCursor();
    if (windowClassName(target) != platform::kBrowserDocumentClass) return;

    const FieldPaintHold hold(window);
    for (const char* field : {"编辑框3", "编辑框4", "编辑框5", "编辑框6"}) {
        window.setControlText(field, "");
    }

    // A window that went away meanwhile has no rectangle; its document
    // request fails below and the fields stay empty.
    const platform::ScreenPoint cursor = windowSystem().cursorPosition();
    const platform::ScreenRect rect =
        windowSystem().windowRect(target).value_or(platform::ScreenRect{});
    const double scale = pixelsPerCssPixel(target);
    const std::int32_t x = toPagePixels(cursor.x - rect.left, scale);
    const std::int32_t y = toPagePixels(cursor.y - rect.top, scale);

    automation::AutomationObject document = browserDocumentOfWindow(target);
    automation::AutomationObject element =
        automation::callForObject(document, "elementFromPoint", {x, y});

    window.setControlText("编辑框3", automation::readText(element, "Name"));
    window.setControlText("编辑框4", automation::readText(element, "ID"));
    const std::string id = window.controlText("编辑框4");
    window.setControlText("编辑框2", id.empty() ? window.controlText("编辑框3") : id);
    window.setControlText("编辑框5", automation::readText(element, "innerText"));
    window.setControlText("编辑框6", automation::readText(element, "outerHTML"));

    element.release();
    document.release();
}

}  // namespace app
