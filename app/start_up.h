#pragma once

namespace app {

// Runs the script maker: makes the program's directory the current
// directory (scripts are saved relative to it), shows the main window and
// processes events until the window is closed. Returns the exit code.
int runScriptMaker(int& argc, char** argv);

// Makes the directory that holds the program file the current directory.
// Returns false when it cannot be entered.
bool enterProgramDirectory();

}  // namespace app
