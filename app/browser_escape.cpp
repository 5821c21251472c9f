#include "app/browser_escape.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

namespace app {

namespace {

constexpr int kAttempts = 30;
constexpr int kAttemptIntervalMs = 30;

// Runs in its own world: the page neither sees nor changes it, but the
// events are the page's own. The verdict is taken once the event's dispatch
// has finished, so every page handler has had its say.
const char* const kWatcherScript = R"(
(function () {
  let escapes = 0, decided = 0, free = 0;
  window.addEventListener('keydown', function (event) {
    if (event.key !== 'Escape') return;
    const number = ++escapes;
    setTimeout(function () {
      if (!event.defaultPrevented) free = number;
      decided = number;
    }, 0);
  });
  // How many Esc key-downs have their verdict, and the last one let through.
  window.scriptMakerEscapes = function () { return [decided, free]; };
})();
)";

}  // namespace

BrowserEscapeWatcher::BrowserEscapeWatcher(QWebEngineView* view, std::function<void()> onFreeEscape)
    : QObject(view), view_(view), onFreeEscape_(std::move(onFreeEscape)) {
    QWebEngineScript script;
    script.setName(QStringLiteral("scriptmaker-escape"));
    script.setSourceCode(QString::fromUtf8(kWatcherScript));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    view->page()->scripts().insert(script);
    qApp->installEventFilter(this);
}

BrowserEscapeWatcher::~BrowserEscapeWatcher() {
    if (qApp) qApp->removeEventFilter(this);
}

bool BrowserEscapeWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && view_ &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        auto* widget = qobject_cast<QWidget*>(watched);
        // The key goes to the widget that renders the page, inside the view.
        if (widget && view_->isAncestorOf(widget)) askPage(kAttempts);
    }
    return false;
}

void BrowserEscapeWatcher::askPage(int attemptsLeft) {
    if (!view_) return;
    if (attemptsLeft <= 0) {
        onFreeEscape_();
        return;
    }
    QPointer<BrowserEscapeWatcher> self(this);
    view_->page()->runJavaScript(
        QStringLiteral("typeof scriptMakerEscapes === 'function' ? scriptMakerEscapes() : null"),
        QWebEngineScript::ApplicationWorld, [self, attemptsLeft](const QVariant& answer) {
            if (!self) return;
            const QVariantList counts = answer.toList();
            const bool answered = counts.size() == 2 && counts[0].toDouble() > self->escapesSeen_;
            // Decide outside the engine's callback; the window may close.
            QTimer::singleShot(answered ? 0 : kAttemptIntervalMs, self,
                               [self, attemptsLeft, counts, answered] {
                                   if (!self) return;
                                   if (!answered) {
                                       self->askPage(attemptsLeft - 1);
                                       return;
                                   }
                                   self->escapesSeen_ = counts[0].toDouble();
                                   if (counts[1].toDouble() == counts[0].toDouble())
                                       self->onFreeEscape_();
                               });
        });
}

}  // namespace app
