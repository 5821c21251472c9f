#pragma once

#include <QJsonArray>
#include <QString>
#include <memory>
#include <variant>

#include "automation/remote_object.h"

namespace automation {

class CdpConnection;
class CdpSession;

// The embedded engine opens its DevTools endpoint on a fixed port that must
// be chosen before the engine starts: call this before the QApplication is
// created. It picks a free port on 127.0.0.1 and sets
// QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:<port> (only loopback, never
// reachable from elsewhere). Returns the port, 0 when none could be had.
// Calling it again returns the port chosen first.
quint16 reserveEmbeddedDebuggingPort();

// The port of the embedded engine's endpoint: the one reserved above, else
// the one QTWEBENGINE_REMOTE_DEBUGGING names; 0 when neither.
quint16 embeddedDebuggingPort();

// The targets a DevTools endpoint on 127.0.0.1:`port` lists (/json/list),
// waiting at most `timeoutMs` in a nested event loop that excludes user input.
std::variant<QJsonArray, Failure> listTargets(quint16 port, int timeoutMs);

// Opens a session on the page target of the endpoint on 127.0.0.1:`port`
// whose address is exactly `url` (a view that loaded about:blank#<token>: the
// target keeps its id across later navigations, so the session stays on that
// view). Null when there is no such page or it does not answer in time.
std::shared_ptr<CdpSession> openPageSession(quint16 port, const QString& url, int timeoutMs);

// Connects to the browser-level endpoint on 127.0.0.1:`port` (the address
// that /json/version names), for creating pages of one's own there
// (CdpSession::createPage). Null when it does not answer in time.
std::shared_ptr<CdpConnection> connectBrowser(quint16 port, int timeoutMs);

// Opens a session on the page target with the given id on that endpoint.
std::shared_ptr<CdpSession> openPageSessionById(quint16 port, const QString& targetId,
                                                int timeoutMs);

}  // namespace automation
