#include "automation/nested_wait.h"

#include <QEventLoop>
#include <QTimer>

namespace automation {

namespace {

QEventLoop* activeLoop = nullptr;

}  // namespace

bool isWaiting() { return activeLoop != nullptr; }

void wakeWait() {
    if (activeLoop) activeLoop->quit();
}

bool waitNested(const std::function<bool()>& done, int timeoutMs) {
    if (done()) return true;
    if (activeLoop) return false;
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
