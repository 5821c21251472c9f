#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <optional>
#include <string>

#include "app/page_marks.h"
#include "automation/automation_object.h"
#include "platform/window_system.h"

class QEvent;
class QLabel;

namespace app {

class MainWindow;

// What one pick found and wrote, beyond the fields themselves: the code and
// the code kind put into 编辑框2 and 编辑框9, how many elements each lookup
// finds with that code, and where the element lies. The code field's tooltip
// says the same in words (codeToolTip).
struct PickReport {
    std::string code;   // the id, else the name; empty when the element has neither
    int codeKind = -1;  // 0 (lookup by id) or 1 (by name); -1 when no code was set
    marks::Control control = marks::Control::Other;
    marks::CodeCounts counts;
    bool generatedId = false;  // the id looks made by a program (marks::looksGenerated)
    int frameDepth = 0;
    bool crossOriginFrame = false;
};

// The cross-hair picker on 图片框2. The user presses the left button on the
// picture, drags over a page in a browser document window and releases; the
// element under the pointer is shown in the fields of "网页相关", its id (or
// else its name) goes into the code field 编辑框2 and the matching code kind
// into 编辑框9, and the page outlines the element while the drag lasts.
//
// A pick never holds the window for long: every pick gets one budget for
// all its waits on the page (at most one document request and one call),
// and a pick the page does not answer within it is dropped, leaving the
// fields as the last good pick made them. The budget is one frame at 60 Hz
// (kPickBudget, 16 ms; an idle pick of a 5,000-element page takes a third
// of it). On a machine so loaded that a pick needs more than a frame, every
// pick would be dropped for ever: so after each drop the next pick's budget
// doubles, up to kLongestPickBudget (48 ms, still far below the 100 ms at
// which a user feels the window stall), and an answered pick brings it back
// to one frame. Movements are not picked one by one: a movement only asks
// for a pick, and the pick, run from a timer once the window is free, takes
// the pointer where it is by then, so movements that arrive while a pick
// runs are coalesced to the newest. While the drag lasts, a dropped pick is
// tried again after kRetryDelay.
//
// The release takes the element under the point where the button went up
// and removes the outline; when the page does not answer in time, the pick
// is tried again for up to kReleaseRetryWindow. Esc ends a drag without that
// last pick; leaving the page removes the outline too.
//
// While dragging, the picture is empty, its pointer is the cross-hair image,
// and the picture holds the mouse and the keyboard, so the movements reach it
// wherever the pointer is. After a drag the picture shows the cross-hair
// again and its pointer is the hand image.
//
// The picker lives as a child of the window; it filters the picture's mouse
// and key events, so the picks run from user input and timers, never from a
// browser callback.
class ElementPicker : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kPickBudget{16};
    static constexpr std::chrono::milliseconds kLongestPickBudget{48};
    static constexpr std::chrono::milliseconds kRetryDelay{50};
    static constexpr std::chrono::milliseconds kReleaseRetryWindow{1500};

    explicit ElementPicker(MainWindow& window);
    ~ElementPicker() override;

    [[nodiscard]] bool dragging() const { return dragging_; }
    // What the last pick that got an answer found; empty before the first.
    [[nodiscard]] const std::optional<PickReport>& lastReport() const { return lastReport_; }

    // How the picks went so far (for measurements and tests).
    struct Stats {
        int picks = 0;    // picks that got an answer
        int dropped = 0;  // picks the page did not answer within the budget
        std::chrono::microseconds longestPick{0};  // the longest time a pick held the window
    };
    [[nodiscard]] const Stats& stats() const { return stats_; }

    // Left button pressed on the picture.
    void beginDrag();
    // Mouse moved: asks for a pick while dragging, else nothing.
    void dragMoved();
    // Left button released at `point` (screen pixels): ends a drag with a
    // last pick there; nothing when not dragging.
    void endDrag(platform::ScreenPoint point);
    // Esc: ends a drag, keeping the fields; nothing when not dragging.
    void cancelDrag();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void schedule(std::chrono::milliseconds delay);
    void runPendingPick();
    void finishDrag();
    void clearOutline();
    void keepOutlined(automation::AutomationObject document, platform::WindowHandle window);

    MainWindow& window_;
    // Compared by address only: the filter also sees the picture's events
    // while it is being destroyed, when it can no longer be used as a label.
    const QObject* pictureObject_ = nullptr;
    QPointer<QLabel> picture_;
    bool dragging_ = false;
    bool picking_ = false;
    bool movePending_ = false;
    bool clearPending_ = false;
    std::chrono::milliseconds budget_ = kPickBudget;
    std::optional<platform::ScreenPoint> releasePoint_;
    std::chrono::steady_clock::time_point releaseUntil_;
    QTimer pickTimer_;
    // The document that shows the outline, and its window.
    automation::AutomationObject outlined_;
    platform::WindowHandle outlinedWindow_ = 0;
    std::optional<PickReport> lastReport_;
    Stats stats_;
};

// The window under the pointer, by the window system in use; 0 when none.
platform::WindowHandle windowUnderCursor();

// The window's class name, at most 255 bytes; empty for no window.
std::string windowClassName(platform::WindowHandle window);

// The document of a browser document window (class "Internet
// Explorer_Server"), asked for with a bound of 1000 ms; empty for any other
// window, or when the window does not answer in time.
automation::AutomationObject browserDocumentOfWindow(platform::WindowHandle window);

// How one pick ended.
enum class PickOutcome {
    NotABrowserWindow,  // nothing changed
    Picked,             // the fields show the element (or are empty: no document, no element)
    Dropped,            // the page did not answer in time; nothing changed
};

struct PickOptions {
    bool highlight = false;  // outline the element on the page (else remove the outline)
    // A bound for the whole pick's waits; none: each call's own bound.
    std::optional<std::chrono::milliseconds> budget;
    // A document of the window, from an earlier pick of the same drag, to
    // pick from without asking the window again; a document that died
    // meanwhile (the page navigated) is replaced by the window's current one.
    const automation::AutomationObject* earlierDocument = nullptr;
    platform::WindowHandle earlierWindow = 0;
    // Outputs, when given: the window and the document picked (the document
    // also after a drop, as the page may still run the pick later) and what
    // the pick found.
    platform::WindowHandle* window = nullptr;
    automation::AutomationObject* document = nullptr;
    PickReport* report = nullptr;
};

// One pick at a screen point: when the window there is a browser document
// window, fills 编辑框3 (name), 编辑框4 (id), 编辑框2 (id, else name),
// 编辑框9 (the code kind that finds it: 0 by id, 1 by name; untouched when
// there is no code), 编辑框5 (inner text) and 编辑框6 (outer HTML) from the
// element under the point, looked for through same-origin frames, and sets
// the code field's tooltip. Any other window changes nothing. No document or
// no element leaves the five fields empty.
//
// The point is handed to the page in its own CSS pixels: the offset in the
// window is divided by the embedded view's zoom factor. (The window system
// reports Qt's device-independent pixels, which are the page's pixels at
// zoom 1 whatever the screen's device pixel ratio.)
PickOutcome pickElementAt(MainWindow& window, platform::ScreenPoint point,
                          const PickOptions& options);

// pickElementAt at the pointer's position, with no outline and each call's
// own bound.
void pickElementUnderCursor(MainWindow& window);

// The code field's tooltip after a pick: what each lookup finds with the
// code, and warnings about generated ids, frames and codes that are not
// unique.
std::string codeToolTip(const PickReport& report);

}  // namespace app
