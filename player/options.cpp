#include "player/options.h"

#include <QCommandLineParser>
#include <QFile>

namespace player {

namespace {

// A text given in a file: UTF-8, taken as it is but for one final line
// break, which an editor adds without the user meaning it.
bool readTextFile(const QString& path, std::string& text, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    QByteArray bytes = file.readAll();
    if (bytes.endsWith('\n')) bytes.chop(1);
    if (bytes.endsWith('\r')) bytes.chop(1);
    text = bytes.toStdString();
    return true;
}

bool readNumber(const QString& value, const QString& option, double minimum, bool inclusive,
                double& number, QString& error) {
    bool ok = false;
    const double read = value.toDouble(&ok);
    if (!ok || read != read || (inclusive ? read < minimum : read <= minimum) || read > 1e6) {
        error = QStringLiteral("invalid value '%1' for --%2").arg(value, option);
        return false;
    }
    number = read;
    return true;
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine line;
    Options& options = line.options;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption text(QStringLiteral("text"), {}, QStringLiteral("TEXT"));
    const QCommandLineOption textFile(QStringLiteral("text-file"), {}, QStringLiteral("FILE"));
    const QCommandLineOption title(QStringLiteral("title"), {}, QStringLiteral("TEXT"));
    const QCommandLineOption titleFile(QStringLiteral("title-file"), {}, QStringLiteral("FILE"));
    const QCommandLineOption timeScale(QStringLiteral("time-scale"), {}, QStringLiteral("F"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), {}, QStringLiteral("SECONDS"));
    const QCommandLineOption show(QStringLiteral("show"), {});
    const QCommandLineOption connect(QStringLiteral("connect"), {}, QStringLiteral("URL"));
    const QCommandLineOption browser(QStringLiteral("browser"), {}, QStringLiteral("PATH"));
    const QCommandLineOption report(QStringLiteral("report"), {}, QStringLiteral("FILE"));
    const QCommandLineOption screenshots(QStringLiteral("screenshot-on-failure"), {},
                                         QStringLiteral("DIR"));
    const QCommandLineOption keepGoing(QStringLiteral("keep-going"), {});
    const QCommandLineOption jobs({QStringLiteral("j"), QStringLiteral("jobs")}, {},
                                  QStringLiteral("N"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version(QStringLiteral("version"), {});
    parser.addOptions({text, textFile, title, titleFile, timeScale, timeout, show, connect, browser,
                       report, screenshots, keepGoing, jobs, help, version});
    parser.addPositionalArgument(QStringLiteral("script"), {});

    if (!parser.parse(QStringList{QStringLiteral("scriptplayer")} + arguments)) {
        line.error = parser.errorText();
        return line;
    }
    line.help = parser.isSet(help);
    line.version = parser.isSet(version);
    if (line.help || line.version) return line;

    // Each option may be given once: a second value would silently win.
    for (const QCommandLineOption* option :
         {&text, &textFile, &title, &titleFile, &timeScale, &timeout, &connect, &browser, &report,
          &screenshots, &jobs}) {
        if (parser.values(*option).size() > 1) {
            line.error = QStringLiteral("option '--%1' given more than once")
                             .arg(option->names().constLast());
            return line;
        }
    }
    if (parser.isSet(text) && parser.isSet(textFile)) {
        line.error = QStringLiteral("give either --text or --text-file, not both");
        return line;
    }
    if (parser.isSet(title) && parser.isSet(titleFile)) {
        line.error = QStringLiteral("give either --title or --title-file, not both");
        return line;
    }
    if (parser.isSet(text)) options.text = parser.value(text).toStdString();
    if (parser.isSet(title)) options.title = parser.value(title).toStdString();
    std::string fileText;
    if (parser.isSet(textFile)) {
        if (!readTextFile(parser.value(textFile), fileText, line.error)) return line;
        options.text = fileText;
    }
    if (parser.isSet(titleFile)) {
        if (!readTextFile(parser.value(titleFile), fileText, line.error)) return line;
        options.title = fileText;
    }
    if (parser.isSet(timeScale) &&
        !readNumber(parser.value(timeScale), "time-scale", 0, true, options.timeScale, line.error))
        return line;
    if (parser.isSet(timeout) &&
        !readNumber(parser.value(timeout), "timeout", 0, false, options.timeoutSeconds, line.error))
        return line;
    if (parser.isSet(jobs)) {
        bool ok = false;
        options.jobs = parser.value(jobs).toInt(&ok);
        if (!ok || options.jobs < 1 || options.jobs > 64) {
            line.error =
                QStringLiteral("invalid value '%1' for --jobs (1 to 64)").arg(parser.value(jobs));
            return line;
        }
    }
    options.show = parser.isSet(show);
    options.keepGoing = parser.isSet(keepGoing);
    if (parser.isSet(connect)) options.connect = parser.value(connect);
    if (parser.isSet(browser)) options.browser = parser.value(browser);
    if (options.show && !options.connect.isEmpty()) {
        line.error = QStringLiteral("--show launches a browser; it cannot go with --connect");
        return line;
    }
    if (parser.isSet(report)) options.report = parser.value(report);
    if (parser.isSet(screenshots)) options.screenshotDir = parser.value(screenshots);
    options.scripts = parser.positionalArguments();
    if (options.scripts.isEmpty()) line.error = QStringLiteral("no script given");
    return line;
}

QStringList childArguments(const Options& options, const QString& script, const QString& report) {
    QStringList arguments;
    if (options.text) arguments << "--text" << QString::fromStdString(*options.text);
    if (options.title) arguments << "--title" << QString::fromStdString(*options.title);
    arguments << "--time-scale" << QString::number(options.timeScale, 'g', 17);
    arguments << "--timeout" << QString::number(options.timeoutSeconds, 'g', 17);
    if (options.show) arguments << "--show";
    if (!options.connect.isEmpty()) arguments << "--connect" << options.connect;
    arguments << "--browser" << options.browser;
    if (!options.screenshotDir.isEmpty())
        arguments << "--screenshot-on-failure" << options.screenshotDir;
    if (options.keepGoing) arguments << "--keep-going";
    arguments << "--report" << report;
    // "--" so that a script named like an option is still a script.
    arguments << "--" << script;
    return arguments;
}

QString versionText() { return QStringLiteral("scriptplayer 1.0\n"); }

QString helpText() {
    return QStringLiteral(
        "Usage: scriptplayer [OPTION]... SCRIPT...\n"
        "Play the scripts that the script maker writes: open each script's page and\n"
        "perform its lines one after another, with their pauses.\n"
        "\n"
        "A script is a GB18030 text file. Its first non-empty line is the page's\n"
        "address; every further non-empty line is one operation,\n"
        "  kind|code|code kind|seconds\n"
        "where kind is 填表文本 or 填表标题 (fill a field with the --text or --title\n"
        "value), 点击链接 (click a link), 点击按钮 (click a button) or 执行脚本 (run the\n"
        "code as JavaScript); the code kind says how the code finds the element\n"
        "(links and buttons: 0 name, 1 id, 2 index, 3 title, 4 address; fields: 1\n"
        "name, any other number id), and seconds is the pause after the operation.\n"
        "Every script is checked before anything is played.\n"
        "\n"
        "Values for the fields:\n"
        "      --text=TEXT          the value that 填表文本 lines fill in\n"
        "      --text-file=FILE     the same, read from a UTF-8 file (one final line\n"
        "                           break dropped), for a multi-line text\n"
        "      --title=TEXT         the value that 填表标题 lines fill in\n"
        "      --title-file=FILE    the same, read from a UTF-8 file\n"
        "\n"
        "Timing:\n"
        "      --time-scale=F       multiply every pause by F (0: no pauses; default 1)\n"
        "      --timeout=SECONDS    how long a step waits for its element to appear\n"
        "                           (default 10); a page gets this long to load, and\n"
        "                           at least 30 seconds\n"
        "\n"
        "Where to play (default: a headless Chromium launched for the run):\n"
        "      --show               launch a visible browser window instead\n"
        "      --connect=URL        use a browser that already listens for DevTools\n"
        "                           clients: http://HOST:PORT (e.g. a Chromium started\n"
        "                           with --remote-debugging-port) or its\n"
        "                           ws://HOST:PORT/devtools/browser/ID address; each\n"
        "                           script gets a page of its own there, closed at the end\n"
        "      --browser=PATH       the Chromium to launch (default /usr/bin/chromium)\n"
        "\n"
        "Results:\n"
        "      --report=FILE        write a JUnit XML report, one test case per step\n"
        "      --screenshot-on-failure=DIR\n"
        "                           save a PNG of the page at each failed step in DIR\n"
        "      --keep-going         go on with the next step after a failed one\n"
        "  -j, --jobs=N             play up to N scripts at once, each in a player\n"
        "                           process and browser page of its own (default 1)\n"
        "\n"
        "  -h, --help               display this help and exit\n"
        "      --version            output version information and exit\n"
        "\n"
        "Exit status:\n"
        " 0  every step of every script did its work\n"
        " 1  a step failed (its script stops there unless --keep-going)\n"
        " 2  a script or the command line cannot be used; nothing was played\n"
        " 3  the browser could not be started or reached, or went away\n"
        "\n"
        "Examples:\n"
        "  scriptplayer --text='你好' dat/post.ini\n"
        "          Play one script in a headless Chromium.\n"
        "  scriptplayer --time-scale 0 --report results.xml dat/*.ini\n"
        "          Play every script without its pauses and write a JUnit report.\n"
        "  chromium --remote-debugging-port=9222 &\n"
        "  scriptplayer --connect http://127.0.0.1:9222 --jobs 4 dat/*.ini\n"
        "          Play the scripts, four at once, in a browser already running.\n");
}

}  // namespace player
