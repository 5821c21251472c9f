#pragma once

// Runs the real scriptplayer program, as a user would, and writes scripts
// for it in the file format the script maker saves.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

#include "script/script_format.h"

namespace testsupport {

struct PlayerRun {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs scriptplayer with `arguments` and waits for it to end (at most
// `timeoutMs`; a player that hangs is killed and reported unfinished).
inline PlayerRun runScriptPlayer(const QStringList& arguments, int timeoutMs = 120000) {
    QProcess process;
    process.setProgram(QStringLiteral(SCRIPTPLAYER_PATH));
    process.setArguments(arguments);
    process.start();
    PlayerRun run;
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Writes `utf8` as a script file (GB18030) named `name` in `dir`.
inline QString writeScript(const QTemporaryDir& dir, const QString& name, const std::string& utf8) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(script::writeScriptFile(path, script::encodeScript(utf8)));
    return path;
}

}  // namespace testsupport
