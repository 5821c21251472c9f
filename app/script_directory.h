#pragma once

#include <QString>

namespace app {

// Where the script maker keeps its "dat" folder, and so which directory it
// makes current at start (scripts are saved to "dat/<name>.ini" relative to
// the current directory).
//
// A program that has a writable "dat" beside it (the build puts one there,
// and a copy unpacked into a folder of the user's own keeps it) uses its own
// directory. An installed program, whose directory holds no writable "dat",
// uses "<data home>/scriptmaker" instead, where <data home> is
// $XDG_DATA_HOME or ~/.local/share, and creates "dat" there.
QString scriptHomeFor(const QString& programDirectory, const QString& dataHome);

// The data home as the desktop's conventions give it: $XDG_DATA_HOME when it
// is an absolute path, else ~/.local/share.
QString userDataHome();

// Makes the script home current (creating "<data home>/scriptmaker/dat" for
// an installed program). Returns false, with `error` saying why, when the
// directory cannot be made or entered; the current directory is then left
// as it was.
bool enterScriptHome(QString* error = nullptr);

}  // namespace app
