#include "automation/nested_wait.h"

#include <QEventLoop>
#include <QTimer>
#include <optional>

namespace automation {

namespace {

QEventLoop* activeLoop = nullptr;
WaitBudget* activeBudget = nullptr;
}  // namespace

bool isWaiting() { return activeLoop != nullptr; }

void wakeWait() {
    if (activeLoop) activeLoop->quit();
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
    if (done()) return true;
    if (activeLoop) return false;
    if (activeBudget != nullptr) {
        const std::optional<int> bounded = activeBudget->cut(timeoutMs);
        if (!bounded) return false;  // the budget is spent: no wait at all
        timeoutMs = *bounded;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    timer.start(timeoutMs < 0 ? 0 : timeoutMs);
    activeLoop = &loop;
    while (!timedOut && !done()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    activeLoop = nullptr;
    return done();
}

}  // namespace automation
