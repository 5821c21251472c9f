#include "app/element_picker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QWebEngineView>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "app/cursor_file.h"
#include "app/main_window.h"
#include "automation/late_bound.h"
#include "automation/nested_wait.h"
#include "platform/widget_window_system.h"

namespace app {
namespace {

using automation::AutomationObject;
using automation::Failure;
using platform::ScreenPoint;
using platform::WindowHandle;
using platform::windowSystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kPicture = "图片框2";
constexpr const char* kCodeField = "编辑框2";
constexpr std::chrono::milliseconds kDocumentRequestTimeout{1000};
// When a pick comes due while another wait of the library runs, it waits
// this long and looks again.
constexpr std::chrono::milliseconds kBusyDelay{5};
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

// The element at the point read with one late-bound call per text, for
// models that run no script and pages that broke the one-call read. No
// outline, no frames, no counts.
marks::ElementReading readPlainly(const AutomationObject& document, std::int32_t x,
                                  std::int32_t y) {
    marks::ElementReading reading;
    AutomationObject element = automation::callForObject(document, "elementFromPoint", {x, y});
    reading.found = !element.isEmpty();
    reading.name = automation::readText(element, "Name");
    reading.id = automation::readText(element, "ID");
    reading.innerText = automation::readText(element, "innerText");
    reading.outerHtml = automation::readText(element, "outerHTML");
    return reading;
}

// Whether a failed call means that the page did not answer (in time, or at
// all any more), rather than that it cannot run the one-call read.
bool pageDidNotAnswer(Failure failure) {
    return failure == Failure::TimedOut || failure == Failure::Reentered ||
           failure == Failure::Disconnected;
}

// Writes a reading into the fields, in the order the picker always wrote
// them, and describes it in `report` and the code field's tooltip.
void showReading(MainWindow& window, const marks::ElementReading& reading, PickReport& report) {
    window.setControlText("编辑框3", reading.name);
    window.setControlText("编辑框4", reading.id);
    const std::string id = window.controlText("编辑框4");
    const std::string code = id.empty() ? window.controlText("编辑框3") : id;
    window.setControlText(kCodeField, code);
    // The code kind that makes the element lookup find what was picked:
    // 0 looks up by id, 1 by name.
    report = PickReport{};
    report.code = code;
    if (!code.empty()) {
        report.codeKind = id.empty() ? 1 : 0;
        window.setControlText("编辑框9", std::to_string(report.codeKind));
    }
    window.setControlText("编辑框5", reading.innerText);
    window.setControlText("编辑框6", reading.outerHtml);

    report.control = reading.control;
    report.counts = reading.counts;
    report.generatedId = !id.empty() && marks::looksGenerated(id);
    report.frameDepth = reading.frameDepth;
    report.crossOriginFrame = reading.crossOriginFrame;
    if (QWidget* field = window.control(kCodeField)) {
        field->setToolTip(reading.found ? QString::fromStdString(codeToolTip(report)) : QString());
    }
}

std::string countText(int count, const char* what) { return std::to_string(count) + " 个" + what; }

}  // namespace

ElementPicker::ElementPicker(MainWindow& window) : QObject(&window), window_(window) {
    auto* label = qobject_cast<QLabel*>(window.control(kPicture));
    picture_ = label;
    pictureObject_ = label;
    if (label != nullptr) label->installEventFilter(this);
    pickTimer_.setSingleShot(true);
    connect(&pickTimer_, &QTimer::timeout, this, &ElementPicker::runPendingPick);
}

ElementPicker::~ElementPicker() = default;

void ElementPicker::beginDrag() {
    QLabel* label = picture_;
    if (label == nullptr) return;
    dragging_ = true;
    // A new drag supersedes what the last one left to do, but not the
    // removal of its outline.
    releasePoint_.reset();
    movePending_ = false;
    budget_ = kPickBudget;
    if (crossHairImage()) label->setCursor(toCursor(*crossHairImage()));
    label->clear();
    // Let the cleared picture and the new pointer show before the drag.
    QCoreApplication::processEvents();
    // A release handled just now has already ended the drag: grabbing then
    // would keep the mouse with nothing left to let it go.
    if (dragging_) {
        label->grabMouse();
        label->grabKeyboard();
    }
}

void ElementPicker::dragMoved() {
    if (!dragging_) return;
    movePending_ = true;
    schedule(std::chrono::milliseconds(0));
}

void ElementPicker::endDrag(ScreenPoint point) {
    if (!dragging_) return;
    finishDrag();
    releasePoint_ = point;
    releaseUntil_ = Clock::now() + kReleaseRetryWindow;
    schedule(std::chrono::milliseconds(0));
}

void ElementPicker::cancelDrag() {
    if (!dragging_) return;
    finishDrag();
    clearPending_ = true;
    schedule(std::chrono::milliseconds(0));
}

void ElementPicker::finishDrag() {
    dragging_ = false;
    movePending_ = false;
    QLabel* label = picture_;
    if (label == nullptr) return;
    label->releaseKeyboard();
    label->releaseMouse();
    if (handImage()) label->setCursor(toCursor(*handImage()));
    if (crossHairImage()) label->setPixmap(QPixmap::fromImage(crossHairImage()->image));
}

void ElementPicker::schedule(std::chrono::milliseconds delay) {
    // An earlier run that is already due stays.
    if (pickTimer_.isActive() && pickTimer_.remainingTimeAsDuration() <= delay) return;
    pickTimer_.start(delay);
}

void ElementPicker::runPendingPick() {
    // Never inside another wait of the library (it would be refused), nor
    // inside this picker's own.
    if (picking_ || automation::isWaiting()) {
        schedule(kBusyDelay);
        return;
    }
    const bool release = releasePoint_.has_value();
    const bool move = !release && dragging_ && movePending_;
    if (!release && !move) {
        if (clearPending_ && !dragging_) clearOutline();
        clearPending_ = false;
        return;
    }
    picking_ = true;
    const Clock::time_point started = Clock::now();
    movePending_ = false;

    // The newest position for a movement; for the release, where the
    // button went up.
    const ScreenPoint point = release ? *releasePoint_ : windowSystem().cursorPosition();
    WindowHandle target = 0;
    AutomationObject document;
    PickReport report;
    PickOptions options;
    options.highlight = !release;
    options.budget = budget_;
    options.earlierDocument = &outlined_;
    options.earlierWindow = outlinedWindow_;
    options.window = &target;
    options.document = &document;
    options.report = &report;
    const PickOutcome outcome = pickElementAt(window_, point, options);
    switch (outcome) {
        case PickOutcome::Picked:
            ++stats_.picks;
            budget_ = kPickBudget;
            lastReport_ = report;
            if (release) {
                releasePoint_.reset();
                // The release's pick removed the outline where it picked.
                if (outlinedWindow_ == target) {
                    outlined_.release();
                    outlinedWindow_ = 0;
                }
                clearOutline();
            } else {
                keepOutlined(std::move(document), target);
            }
            break;
        case PickOutcome::Dropped:
            ++stats_.dropped;
            budget_ = std::min(budget_ * 2, kLongestPickBudget);
            if (!document.isEmpty() && !release) keepOutlined(std::move(document), target);
            if (release) {
                if (Clock::now() < releaseUntil_) {
                    schedule(kRetryDelay);
                } else {
                    releasePoint_.reset();
                    clearOutline();
                }
            } else if (dragging_) {
                movePending_ = true;
                schedule(kRetryDelay);
            }
            break;
        case PickOutcome::NotABrowserWindow:
            // Off the page: the outline goes, the fields stay.
            if (release) releasePoint_.reset();
            clearOutline();
            break;
    }
    if (clearPending_ && !dragging_ && !releasePoint_) {
        clearOutline();
        clearPending_ = false;
    }
    const auto held = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
    stats_.longestPick = std::max(stats_.longestPick, held);
    picking_ = false;
}

void ElementPicker::keepOutlined(AutomationObject document, WindowHandle window) {
    if (outlinedWindow_ != window) clearOutline();
    outlined_ = std::move(document);
    outlinedWindow_ = window;
}

void ElementPicker::clearOutline() {
    if (outlined_.isEmpty()) return;
    {
        // A page that does not answer in time still runs the removal when
        // it gets to it: calls reach a page in the order they were made.
        const automation::WaitBudget budget(kPickBudget);
        marks::clearOutline(outlined_);
    }
    outlined_.release();
    outlinedWindow_ = 0;
}

bool ElementPicker::eventFilter(QObject* watched, QEvent* event) {
    // Compared as addresses only, before anything else is looked at.
    if (pictureObject_ == nullptr || watched != pictureObject_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
            beginDrag();
            return true;
        case QEvent::MouseMove:
            dragMoved();
            return true;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) break;
            const QPoint at = mouse->globalPosition().toPoint();
            endDrag({at.x(), at.y()});
            return true;
        }
        case QEvent::KeyPress:
            // Esc ends a drag (and only the drag: the window stays open).
            if (dragging_ && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                cancelDrag();
                return true;
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

WindowHandle windowUnderCursor() {
    return windowSystem().windowFromPoint(windowSystem().cursorPosition());
}

std::string windowClassName(WindowHandle window) { return classNameUpTo(window, kClassNameLimit); }

AutomationObject browserDocumentOfWindow(WindowHandle window) {
    if (classNameUpTo(window, kDocumentClassNameLimit) != platform::kBrowserDocumentClass)
        return {};
    return windowSystem().requestDocument(window, kDocumentRequestTimeout);
}

PickOutcome pickElementAt(MainWindow& window, ScreenPoint point, const PickOptions& options) {
    const WindowHandle target = windowSystem().windowFromPoint(point);
    if (options.window != nullptr) *options.window = target;
    if (windowClassName(target) != platform::kBrowserDocumentClass)
        return PickOutcome::NotABrowserWindow;

    std::optional<automation::WaitBudget> budget;
    if (options.budget) budget.emplace(*options.budget);
    const auto outOfTime = [&] { return budget && budget->expired(); };

    // A window that went away meanwhile has no rectangle; its document
    // request fails below and the fields end up empty.
    const platform::ScreenRect rect =
        windowSystem().windowRect(target).value_or(platform::ScreenRect{});
    const double scale = pixelsPerCssPixel(target);
    const std::int32_t x = toPagePixels(point.x - rect.left, scale);
    const std::int32_t y = toPagePixels(point.y - rect.top, scale);

    const bool reuse = options.earlierDocument != nullptr && !options.earlierDocument->isEmpty() &&
                       options.earlierWindow == target;
    AutomationObject document =
        reuse ? options.earlierDocument->duplicate() : browserDocumentOfWindow(target);
    marks::ElementReading reading;
    if (document.isEmpty()) {
        if (outOfTime()) return PickOutcome::Dropped;
    } else {
        auto answer = marks::pickAt(document, x, y, options.highlight);
        if (reuse && std::holds_alternative<Failure>(answer) &&
            std::get<Failure>(answer) == Failure::Disconnected && !outOfTime()) {
            document = browserDocumentOfWindow(target);
            if (document.isEmpty()) {
                if (outOfTime()) return PickOutcome::Dropped;
            } else {
                answer = marks::pickAt(document, x, y, options.highlight);
            }
        }
        if (document.isEmpty()) {
            // The window has no document any more: the fields end up empty.
        } else if (auto* found = std::get_if<marks::ElementReading>(&answer)) {
            reading = std::move(*found);
        } else if (pageDidNotAnswer(std::get<Failure>(answer)) || outOfTime()) {
            if (options.document != nullptr) *options.document = std::move(document);
            return PickOutcome::Dropped;
        } else {
            reading = readPlainly(document, x, y);
            if (outOfTime()) return PickOutcome::Dropped;
        }
    }

    PickReport report;
    showReading(window, reading, report);
    if (options.report != nullptr) *options.report = std::move(report);
    if (options.document != nullptr) *options.document = std::move(document);
    return PickOutcome::Picked;
}

void pickElementUnderCursor(MainWindow& window) {
    (void)pickElementAt(window, windowSystem().cursorPosition(), {});
}

std::string codeToolTip(const PickReport& report) {
    std::string text;
    const auto line = [&text](const std::string& content) {
        if (!text.empty()) text += "\n";
        text += content;
    };
    if (report.code.empty()) {
        line("这个元素既没有 ID 也没有名称，没有能找到它的代码。");
    } else {
        const marks::CodeCounts& c = report.counts;
        const char* items = report.control == marks::Control::Link     ? "链接"
                            : report.control == marks::Control::Button ? "按钮"
                                                                       : "元素";
        line("代码“" + report.code + "”在本页能找到：");
        if (c.byId >= 0) line("  按 ID 查找（代码种类 0）：" + countText(c.byId, "元素"));
        if (c.byName >= 0) line("  按名称查找（代码种类 1）：" + countText(c.byName, "元素"));
        if (c.byTitle >= 0) line("  按标题查找（代码种类 3）：" + countText(c.byTitle, items));
        if (c.byAddress >= 0) line("  按地址查找（代码种类 4）：" + countText(c.byAddress, items));
        if (c.byId < 0 && c.byName < 0) line("  （这个网页没有给出查找的个数）");
        const int chosen = report.codeKind == 0 ? c.byId : report.codeKind == 1 ? c.byName : -1;
        if (chosen > 1) {
            line("注意：有 " + std::to_string(chosen) + " 个元素用这个代码，按代码种类 " +
                 std::to_string(report.codeKind) + " 查找只会找到第一个。");
        }
    }
    if (report.generatedId) {
        line("注意：这个 ID 像是程序生成的（长串数字或十六进制），网页再次打开时可能会变。");
    }
    if (report.frameDepth > 0) {
        line("注意：元素在框架里（第 " + std::to_string(report.frameDepth) +
             " 层），对本页的查找找不到它。");
    }
    if (report.crossOriginFrame) {
        line("注意：这是另一个网站的框架，读不到框架里的元素，这里是框架元素本身。");
    }
    return text;
}

}  // namespace app
