#include "automation/nested_wait.h"

#include <QEventLoop>
#include <QTimer>

namespace automation {

namespace {

struct ActiveWait {
    QEventLoop* loop = nullptr;
    bool woken = false;  // the loop was left by wakeWait() or the timer
};

ActiveWait active;
WaitEnd lastEnd = WaitEnd::Done;

}  // namespace

bool isWaiting() { return active.loop != nullptr; }

WaitEnd lastWaitEnd() { return lastEnd; }

void wakeWait() {
    if (!active.loop) return;
    active.woken = true;
    active.loop->quit();
}

bool waitNested(const std::function<bool()>& done, int timeoutMs) {
    if (done()) {
        lastEnd = WaitEnd::Done;
        return true;
    }
    if (active.loop) {
        lastEnd = WaitEnd::Refused;
        return false;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    // A coarse timer may fire up to 5 % late; the bound is a promise.
    timer.setTimerType(Qt::PreciseTimer);
    bool timedOut = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        wakeWait();
    });
    timer.start(timeoutMs < 0 ? 0 : timeoutMs);
    active.loop = &loop;
    bool quitting = false;
    while (!timedOut && !done()) {
        active.woken = false;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        // Left without our own wake: the application (or this thread) was
        // told to quit, which ends every running loop and makes every new
        // one return at once. Looping again would spin without ever
        // dispatching the timer.
        if (!active.woken) {
            quitting = true;
            break;
        }
    }
    active = {};
    const bool finished = done();
    lastEnd = finished ? WaitEnd::Done : quitting ? WaitEnd::Quitting : WaitEnd::TimedOut;
    return finished;
}

}  // namespace automation
