#include "app/browser_escape.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QUuid>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

namespace app {

namespace {

constexpr int kAttempts = 30;
constexpr int kAttemptIntervalMs = 30;

// Runs in the application's world of every document, frames included: the
// page neither sees nor changes it, but the events are the page's own. The
// verdict on an Esc key-down is taken once the event's dispatch has finished,
// so every page handler has had its say. A frame hands its verdict to the
// top document's watcher: directly when it may reach it (same origin), else
// as a message carrying this process's token.
const char* const kWatcherScript = R"(
(function (token) {
  const global = window;
  const isTop = global.top === global;
  if (isTop && typeof global.scriptMakerEscapes === 'function') return;
  let escapes = 0, free = 0;
  function record(isFree) {
    const number = ++escapes;
    if (isFree) free = number;
  }
  function report(isFree) {
    if (isTop) return record(isFree);
    try {
      global.top.scriptMakerEscapeVerdict(token, isFree);
    } catch (e) {
      global.top.postMessage({scriptMakerEscape: token, free: isFree}, '*');
    }
  }
  global.addEventListener('keydown', function (event) {
    if (event.key !== 'Escape') return;
    setTimeout(function () { report(!event.defaultPrevented); }, 0);
  });
  if (!isTop) return;
  Object.defineProperty(global, 'scriptMakerEscapeVerdict', {value: function (from, isFree) {
    if (from === token) record(isFree === true);
  }});
  global.addEventListener('message', function (event) {
    const data = event.data;
    if (data !== null && typeof data === 'object' && data.scriptMakerEscape === token &&
        event.source !== global) {
      record(data.free === true);
    }
  });
  // How many Esc key-downs have their verdict, and the last one let through.
  Object.defineProperty(global, 'scriptMakerEscapes', {value: function () {
    return [escapes, free];
  }});
})
)";

const QString& processToken() {
    static const QString token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return token;
}

}  // namespace

QWebEngineScript escapeWatcherScript() {
    QWebEngineScript script;
    script.setName(QStringLiteral("scriptmaker-escape"));
    script.setSourceCode(QString::fromUtf8(kWatcherScript) + QStringLiteral("(\"") +
                         processToken() + QStringLiteral("\");"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    return script;
}

BrowserEscapeWatcher::BrowserEscapeWatcher(QWebEngineView* view, std::function<void()> onFreeEscape)
    : QObject(view), view_(view), onFreeEscape_(std::move(onFreeEscape)) {
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
