#pragma once

#include <QString>
#include <string>
#include <vector>

namespace player {

enum class Outcome { Ok, Failed, NotRun };

struct StepResult {
    int number = 0;      // 1-based among the script's steps
    int lineNumber = 0;  // in the file
    std::string kind;
    std::string code;
    Outcome outcome = Outcome::NotRun;
    double seconds = 0;  // the step's own time, its pause not counted
    QString reason;      // why it failed
    QString screenshot;  // the PNG saved for a failure, if any
};

struct ScriptResult {
    QString path;
    std::string address;
    bool opened = false;  // the address loaded
    QString openError;    // why it did not
    std::vector<StepResult> steps;
    int exitStatus = 0;
    double seconds = 0;

    [[nodiscard]] int count(Outcome outcome) const {
        int n = 0;
        for (const StepResult& step : steps) n += step.outcome == outcome;
        return n;
    }
};

// Writes a JUnit XML report: one test suite per script, one test case per
// step (a script whose page did not load has one failed case for it).
bool writeJUnitReport(const QString& path, const std::vector<ScriptResult>& results,
                      QString* error = nullptr);

// Writes a report whose test suites are taken over from other reports
// (those of the child players of a --jobs run), in the order given. A
// report that cannot be read is left out; `error` says which.
bool mergeJUnitReports(const QString& path, const QStringList& parts, QString* error = nullptr);

// The step counts a report holds for its first test suite (for the summary
// of a --jobs run); false when it cannot be read.
struct SuiteCounts {
    int tests = 0;
    int failures = 0;
    int skipped = 0;
};
bool readSuiteCounts(const QString& path, SuiteCounts& counts);

}  // namespace player
