#pragma once

#include <QObject>
#include <QPointer>
#include <QWebEngineScript>
#include <functional>

class QWebEngineView;

namespace app {

// Tells when the user pressed Esc inside the browser and the page did not
// take the key. The engine keeps Esc for itself (it never hands it back as
// an unhandled key), so the page is asked instead: a small script in a
// world of the application's own notes, in every document and frame, whether
// the page cancelled each Esc key-down (preventDefault) or kept it from
// reaching the frame's window (stopPropagation). After an Esc reaches the
// view, the watcher asks the page, for up to about a second, and calls
// `onFreeEscape` when the page let the key through, or did not answer at all
// (no page, or no document of its own). The view must carry
// escapeWatcherScript() (app/browser_view.cpp gives it to its page).
class BrowserEscapeWatcher : public QObject {
public:
    BrowserEscapeWatcher(QWebEngineView* view, std::function<void()> onFreeEscape);
    ~BrowserEscapeWatcher() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void askPage(int attemptsLeft);

    QPointer<QWebEngineView> view_;
    std::function<void()> onFreeEscape_;
    double escapesSeen_ = 0;
};

// The watcher's script, for every document of the view.
QWebEngineScript escapeWatcherScript();

}  // namespace app
