#pragma once

#include <QJsonArray>
#include <QString>
#include <memory>
#include <variant>

#include "automation/remote_object.h"

namespace automation {

class CdpConnection;
class CdpSession;

// A DevTools endpoint that a browser of the user's opened on 127.0.0.1 (the
// project's own browsers use a pipe, and the embedded engine's views have a
// backend of their own without any endpoint: embedded/view_binding.h).

// The targets a DevTools endpoint on 127.0.0.1:`port` lists (/json/list),
// waiting at most `timeoutMs` in a nested event loop that excludes user input.
std::variant<QJsonArray, Failure> listTargets(quint16 port, int timeoutMs);

// Opens a session on the page target of the endpoint on 127.0.0.1:`port`
// whose address is exactly `url` (the target keeps its id across later
// navigations, so the session stays on that page). Null when there is no such
// page or it does not answer in time.
std::shared_ptr<CdpSession> openPageSession(quint16 port, const QString& url, int timeoutMs);

// Connects to the browser-level endpoint on 127.0.0.1:`port` (the address
// that /json/version names), for creating pages of one's own there
// (CdpSession::createPage). Null when it does not answer in time.
std::shared_ptr<CdpConnection> connectBrowser(quint16 port, int timeoutMs);

// Opens a session on the page target with the given id on that endpoint.
std::shared_ptr<CdpSession> openPageSessionById(quint16 port, const QString& targetId,
                                                int timeoutMs);

}  // namespace automation
