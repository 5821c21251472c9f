#pragma once

#include <QString>
#include <QStringList>

#include "player/console.h"
#include "player/options.h"
#include "player/results.h"
#include "script/script_format.h"

namespace page {
class PageSession;
}

namespace player {

// Everything that keeps the script at `path` from being played with
// `options`, one message per problem, "path:line: message".
QStringList scriptProblems(const QString& path, const script::Script& script,
                           const Options& options);

// Plays one checked script on a page: opens its address, then performs
// each step as the script maker's test button does with the same fields,
// on a fresh binding to the page's current document. A step first waits
// for its element (up to the time-out), a step that starts a navigation
// waits for the new document's load, and then the step's pause follows.
class ScriptPlayer {
public:
    ScriptPlayer(const Options& options, Console& console) : options_(options), console_(console) {}

    ScriptResult play(page::PageSession& session, const QString& path,
                      const script::Script& script);

private:
    StepResult playStep(page::PageSession& session, const script::Step& step, int number,
                        int count);
    void pause(page::PageSession& session, const script::Step& step, int number, int count);
    QString saveScreenshot(page::PageSession& session, const QString& path, const StepResult& step);
    int timeoutMs() const;
    int loadTimeoutMs() const;

    const Options& options_;
    Console& console_;
};

// One line of output for a played step.
QString stepLine(const StepResult& step, int count);
// The closing line of a script.
QString summaryLine(const ScriptResult& result);

}  // namespace player
