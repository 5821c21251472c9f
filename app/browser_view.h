#pragma once

class QWebEngineView;
class QWidget;

namespace app {

// Creates the embedded browser of the main window. This is the one place
// where the view and its page are made and where the page gets every script
// it runs: the compatibility layer (in the page's world, and a copy in the
// application's world for the late-bound calls), the late-bound binding of
// embedded::ViewBinding, and the Esc watcher (app/browser_escape.h). The view
// opens no debugging endpoint and no socket.
//
// The view starts with no page loaded and at zoom 100 %. It is silent: page
// scripts' alert, confirm and prompt boxes are not shown (confirm and prompt
// answer as if cancelled), console messages are dropped, and requests that
// would need a dialog of the browser (certificate errors, permissions, log-in
// prompts, new windows) are refused, which is the engine's own answer when
// nobody handles them.
QWebEngineView* createBrowserView(QWidget* parent);

}  // namespace app
