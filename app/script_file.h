#pragma once

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

// The file's bytes and their writing belong to the script format
// (script/script_format.h), shared with the player.

}  // namespace app
