#pragma once

#include <QHash>
#include <QString>
#include <QWidget>
#include <string>
#include <string_view>

#include "platform/window_system.h"

class QWebEngineView;

namespace app {

// The script maker's one main window. Its controls are created from the form
// table (main_window_form.cpp) and addressed by their form names, which are
// also their Qt object names ("编辑框8", "组合框1", "超文本浏览框1", ...).
//
// The window operations below are what the button handlers use. Names and
// texts are UTF-8. An unknown name, or a control of another kind than the
// operation expects, gives the empty result and changes nothing.
//
// Multi-line boxes hold their lines ended by CR LF as far as these
// operations are concerned, whatever the widget keeps inside: controlText
// gives CR LF, and setControlText / appendControlText take CR LF (a lone LF
// or CR is a line end too and comes back as CR LF).
class MainWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kOuterWidth = 695;
    static constexpr int kOuterHeight = 587;
    static constexpr int kMaxControlExtent = 32627;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The whole text of an edit box; empty when the box is empty.
    std::string controlText(std::string_view name) const;
    // Replaces the whole text of an edit box.
    void setControlText(std::string_view name, std::string_view text);
    // Inserts `text` at the very end of an edit box, with the caret after it
    // and scrolled into view. The insertion cannot be undone (the box's undo
    // history is cleared); no line break is added before the text.
    void appendControlText(std::string_view name, std::string_view text);
    // Index of the combo box's selected item, from 0; -1 when none.
    int comboSelection(std::string_view name) const;
    // Text of one item; empty when `index` is out of range.
    std::string comboItemText(std::string_view name, int index) const;
    // Left or top edge relative to the control's parent (window or group box).
    int controlLeft(std::string_view name) const;
    int controlTop(std::string_view name) const;
    // Change one dimension, keeping position and the other one. The value is
    // clamped to 0..32627.
    void setControlWidth(std::string_view name, int width);
    void setControlHeight(std::string_view name, int height);
    // Size of the client area; 0 x 0 while minimised.
    int clientWidth() const;
    int clientHeight() const;
    // Puts the window into or out of the always-on-top layer without moving,
    // resizing or activating it.
    void setAlwaysOnTop(bool onTop);
    bool isAlwaysOnTop() const { return alwaysOnTop_; }
    // The control's handle in the window system over the widget tree; 0 for
    // an unknown name.
    platform::WindowHandle controlHandle(std::string_view name) const;
    // The program's message box (see message_box.h).
    void showMessage(std::string_view text) const;

    // Fits the help box and the browser to the client area; runs on every
    // size or state change.
    void applyLayout();

    // The control with this form name, or nullptr.
    QWidget* control(std::string_view name) const;
    QWebEngineView* browser() const;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend void buildForm(MainWindow& window);
    void addControl(QWidget* control);
    void connectHandlers();
    void fitOuterFrame();

    QHash<QString, QWidget*> controls_;
    QWebEngineView* browser_ = nullptr;
    bool frameFitted_ = false;
    bool alwaysOnTop_ = false;
};

// Creates the controls of the form table on `window` (main_window_form.cpp).
void buildForm(MainWindow& window);

}  // namespace app
