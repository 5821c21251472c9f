#pragma once

#include <QObject>
#include <QPointer>
#include <string>

#include "automation/automation_object.h"
#include "platform/window_system.h"

class QEvent;
class QLabel;

namespace app {

class MainWindow;

// The cross-hair picker on 图片框2. The user presses the left button on the
// picture, drags over a page in a browser document window and releases; every
// movement in between shows the element under the pointer in the fields of
// "网页相关" and puts its id, or else its name, into the code field 编辑框2.
//
// While dragging, the picture is empty, its pointer is the cross-hair image
// and the mouse is grabbed by the picture, so the movements reach it wherever
// the pointer is. After a drag the picture shows the cross-hair again and its
// pointer is the hand image. Only a release ends a drag.
//
// The picker lives as a child of the window; it filters the picture's mouse
// events, so the picks run from user input, never from a browser callback.
class ElementPicker : public QObject {
    Q_OBJECT

public:
    explicit ElementPicker(MainWindow& window);

    [[nodiscard]] bool dragging() const { return dragging_; }

    // Left button pressed on the picture.
    void beginDrag();
    // Mouse moved: one pick while dragging, else nothing.
    void dragMoved();
    // Left button released: ends a drag; nothing when not dragging.
    void endDrag();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow& window_;
    // Taken once: the filter also sees the picture's events while the
    // window is being torn down, when its controls can no longer be looked up.
    QPointer<QLabel> picture_;
    bool dragging_ = false;
};

// The window under the pointer, by the window system in use; 0 when none.
platform::WindowHandle windowUnderCursor();

// The window's class name, at most 255 bytes; empty for no window.
std::string windowClassName(platform::WindowHandle window);

// The document of a browser document window (class "Internet
// Explorer_Server"), asked for with a bound of 1000 ms; empty for any other
// window, or when the window does not answer in time.
automation::AutomationObject browserDocumentOfWindow(platform::WindowHandle window);

// One pick: when the window under the pointer is a browser document window,
// clears 编辑框3 to 编辑框6 and fills 编辑框3 (name), 编辑框4 (id), 编辑框2
// (id, else name), 编辑框5 (inner text) and 编辑框6 (outer HTML), in that
// order, from the element under the pointer. Any other window changes
// nothing. No document or no element leaves those five fields empty.
//
// The point is handed to the page in its own CSS pixels: the pointer's
// offset in the window is divided by the embedded view's zoom factor. (The
// window system reports Qt's device-independent pixels, which are the page's
// pixels at zoom 1 whatever the screen's device pixel ratio.)
void pickElementUnderCursor(MainWindow& window);

}  // namespace app
