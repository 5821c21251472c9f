#include "automation/nested_wait.h"

#include <QEventLoop>
#include <QTimer>
#include <optional>

namespace automation {

namespace {

struct ActiveWait {
    QEventLoop* loop = nullptr;
    bool woken = false;  // the loop was left by wakeWait() or the timer
};

ActiveWait active;
WaitBudget* activeBudget = nullptr;
WaitEnd lastEnd = WaitEnd::Done;

}  // namespace

bool isWaiting() { return active.loop != nullptr; }

WaitEnd lastWaitEnd() { return lastEnd; }

void wakeWait() {
    if (!active.loop) return;
    active.woken = true;
    active.loop->quit();
}

WaitBudget::WaitBudget(std::chrono::milliseconds budget)
    : deadline_(std::chrono::steady_clock::now() + budget), outer_(activeBudget) {
    // An outer budget that ends sooner keeps its deadline.
    if (outer_ != nullptr && outer_->deadline_ < deadline_) deadline_ = outer_->deadline_;
    activeBudget = this;
}

WaitBudget::~WaitBudget() { activeBudget = outer_; }

bool WaitBudget::expired() const { return std::chrono::steady_clock::now() >= deadline_; }

std::optional<int> WaitBudget::cut(int timeoutMs) const {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    return timeoutMs < 0 || left.count() < timeoutMs ? int(left.count()) : timeoutMs;
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
    if (activeBudget != nullptr) {
        const std::optional<int> bounded = activeBudget->cut(timeoutMs);
        if (!bounded) {  // the budget is spent: no wait at all
            lastEnd = WaitEnd::TimedOut;
            return false;
        }
        timeoutMs = *bounded;
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
