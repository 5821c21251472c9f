#pragma once

namespace app {

// Runs the script maker: makes the script home the current directory
// (scripts are saved relative to it, see script_directory.h), shows the main
// window and processes events until the window is closed. Returns the exit
// code.
int runScriptMaker(int& argc, char** argv);

// Drops every request for the embedded engine's debugging endpoint (an
// unauthenticated socket any local process could use to drive the user's
// pages): QTWEBENGINE_REMOTE_DEBUGGING, --remote-debugging-* switches in
// QTWEBENGINE_CHROMIUM_FLAGS and on the command line. Call it before the
// application object is made.
void refuseDebuggingEndpoint(int& argc, char** argv);

}  // namespace app
