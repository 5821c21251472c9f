#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

namespace player {

// Exit statuses of the player.
enum ExitStatus : int {
    kAllDone = 0,       // every step did its work
    kStepFailed = 1,    // a step failed
    kUsageError = 2,    // a script or the command line cannot be used
    kBrowserError = 3,  // the browser could not be started or reached, or went away
};

struct Options {
    QStringList scripts;
    std::optional<std::string> text;   // the value of 填表文本 lines (UTF-8)
    std::optional<std::string> title;  // the value of 填表标题 lines
    double timeScale = 1.0;            // multiplies every pause
    double timeoutSeconds = 10.0;      // how long a step waits for its element
    bool show = false;                 // a visible browser window
    QString connect;                   // a DevTools endpoint instead of a launched browser
    QString browser = QStringLiteral("/usr/bin/chromium");
    QString report;          // JUnit XML file
    QString screenshotDir;   // PNG of the page at each failed step
    bool keepGoing = false;  // go on after a failed step
    int jobs = 1;            // scripts played at once
};

struct CommandLine {
    Options options;
    bool help = false;
    bool version = false;
    QString error;  // a usage error; empty when the line is usable
};

// Reads the arguments (without the program name). Texts given in files are
// read here; a file that cannot be read is a usage error.
CommandLine parseCommandLine(const QStringList& arguments);

// The arguments that make a child player play one script as `options` say
// (texts passed by value, so no file is read twice).
QStringList childArguments(const Options& options, const QString& script, const QString& report);

QString helpText();
QString versionText();

}  // namespace player
