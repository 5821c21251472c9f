#pragma once

namespace app {

// Runs the script maker: makes the script home the current directory
// (scripts are saved relative to it, see script_directory.h), shows the main
// window and processes events until the window is closed. Returns the exit
// code.
int runScriptMaker(int& argc, char** argv);

}  // namespace app
