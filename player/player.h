#pragma once

#include <QStringList>

namespace player {

// The whole player: reads the command line (without the program name),
// checks every script, plays them and returns the exit status. Needs a
// QCoreApplication. Step lines and summaries go to standard output,
// problems and errors to standard error.
int runPlayer(const QStringList& arguments);

}  // namespace player
