#pragma once

#include <QByteArray>
#include <QString>

namespace app {

// Script files: "dat/" + name + ".ini", relative to the current directory
// (start-up makes that the program's directory). The directory "dat" is
// never created, and an existing file is replaced without asking.

// The path of the script called `name`, used as typed (a name that already
// ends in ".ini" gets the extension a second time).
QString scriptPath(const QString& name);

// Whether `name` can be one file name inside "dat": not empty, no "/" and no
// NUL, and not "." or "..". Anything else stays allowed as typed.
bool isUsableScriptName(const QString& name);

// Writes `bytes` unchanged as the whole file at `path`. The bytes go to a
// temporary file beside it, which replaces the file only once everything
// was written, so a failure never leaves a partial file under the name.
// On failure returns false and `error` (when given) says why.
bool writeScriptFile(const QString& path, const QByteArray& bytes, QString* error);

}  // namespace app
