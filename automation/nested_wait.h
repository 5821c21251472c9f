#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace automation {

// The one way this library waits for a browser: a nested event loop that
// excludes user input, bounded by a timer. Only one such wait may be active
// in the process at a time; a wait asked for while another one runs (from a
// handler that the outer wait dispatched) is refused at once, because a
// nested wait inside the embedded engine's callbacks never returns.
//
// A wait also ends at once when the application is quitting: once it has been
// asked to quit, an event loop returns as soon as it is entered, so waiting
// on would only spin. Waits asked for after that end at once too, until the
// application's own event loop is entered again.
//
// Returns true when `done` became true, false on time-out, refusal or quit.
// `done` is checked before waiting and whenever wakeWait() is called.
bool waitNested(const std::function<bool()>& done, int timeoutMs);

// True while a nested wait is running (a new one would be refused).
[[nodiscard]] bool isWaiting();

// Wakes the running nested wait so that it re-checks its condition. Message
// handlers call it after changing what a condition looks at.
void wakeWait();

// Why the last wait that returned false ended.
enum class WaitEnd {
    Done,      // the condition became true
    TimedOut,  // the bound passed
    Refused,   // another wait was running
    Quitting,  // the application is quitting
};
[[nodiscard]] WaitEnd lastWaitEnd();

// One deadline for every wait that starts while it lives, whatever time-out
// the waiting call asks for: a caller that must not hold the thread long (the
// picker, while the pointer moves) gives a whole sequence of calls one budget,
// and a call that would wait past it fails as timed out. Budgets nest; the
// nearest deadline holds. Create and destroy them on the waiting thread.
class WaitBudget {
public:
    explicit WaitBudget(std::chrono::milliseconds budget);
    ~WaitBudget();
    WaitBudget(const WaitBudget&) = delete;
    WaitBudget& operator=(const WaitBudget&) = delete;

    [[nodiscard]] bool expired() const;
    // `timeoutMs` cut to the time left; nothing once the deadline has passed.
    [[nodiscard]] std::optional<int> cut(int timeoutMs) const;

private:
    std::chrono::steady_clock::time_point deadline_;
    WaitBudget* outer_;
};

}  // namespace automation
