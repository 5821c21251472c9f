#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

#include "app/main_window.h"

class QWidget;

namespace test_support {

// Starts a real main window (shown, framed by the window manager when there
// is one) in a fresh temporary current directory, and closes it afterwards.
class MainWindowFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    app::MainWindow& window() { return *window_; }
    // The temporary directory that is the current directory during the test.
    QDir workDir() const { return QDir(workDir_.path()); }
    // Clicks a control of the window with the mouse.
    void click(const char* name);

private:
    QTemporaryDir workDir_;
    QString previousDir_;
    std::unique_ptr<app::MainWindow> window_;
};

// Shows `window`, waits until it is exposed and, under a window manager,
// until it has its frame and final outer geometry.
void showAndSettle(app::MainWindow& window);

// One modal window that appeared while a ModalAnswers was active.
struct SeenModal {
    QString kind;  // "input", "message" or "other"
    QString title;
    QString text;  // the prompt or the message
    QStringList buttons;
    bool hasIcon = false;
    bool hasOwner = false;
    bool applicationModal = false;
    bool mainWindowOnTop = false;  // the probe's answer while it was shown
};

// Answers the modal dialogs and message boxes that open while it lives, the
// way a user would: it types into the input field and clicks the buttons.
// Each answer is used for one modal window, in order; a modal window with
// no answer left is closed so a test never hangs, and recorded as seen.
class ModalAnswers {
public:
    enum class Action { TypeAndAccept, Cancel, CloseBox, ClickOk };
    struct Answer {
        Action action;
        QString text;  // for TypeAndAccept
    };
    static Answer typeAndAccept(const QString& text) { return {Action::TypeAndAccept, text}; }
    static Answer cancel() { return {Action::Cancel, {}}; }
    static Answer closeBox() { return {Action::CloseBox, {}}; }
    static Answer ok() { return {Action::ClickOk, {}}; }

    explicit ModalAnswers(std::vector<Answer> answers, std::function<bool()> onTopProbe = {});
    ~ModalAnswers();
    ModalAnswers(const ModalAnswers&) = delete;
    ModalAnswers& operator=(const ModalAnswers&) = delete;

    const std::vector<SeenModal>& seen() const { return seen_; }

private:
    void poll();

    std::vector<Answer> answers_;
    std::function<bool()> onTopProbe_;
    std::vector<SeenModal> seen_;
    QWidget* current_ = nullptr;
    class QTimer* timer_ = nullptr;
};

// Reads the _NET_WM_STATE atoms of a top-level window as the X server holds
// them (through xprop); empty when there are none or no X server.
QString netWmState(const QWidget& window);

}  // namespace test_support
