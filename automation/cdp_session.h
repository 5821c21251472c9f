#pragma once

#include <QDeadlineTimer>
#include <QJsonObject>
#include <QJsonValue>
#include <QSet>
#include <QString>
#include <memory>
#include <variant>

#include "automation/automation_object.h"
#include "automation/cdp_connection.h"

namespace automation {

// One page (a DevTools target) reached over a connection: either a
// flattened session on a browser-level connection (a page we created in a
// browser we launched) or a connection that is itself a page endpoint (the
// embedded engine's view). Owned through shared_ptr: every remote object of
// the page keeps its session alive.
//
// Every new document of the page gets the binder before its own scripts run.
class CdpSession : public std::enable_shared_from_this<CdpSession> {
public:
    // Creates a blank page target on a browser-level connection and attaches
    // to it. Null when the browser does not finish that within `timeoutMs`,
    // which bounds the whole set-up (< 0: each step the connection's default).
    static std::shared_ptr<CdpSession> createPage(std::shared_ptr<CdpConnection> connection,
                                                  int timeoutMs = -1);
    // Uses a connection to a page endpoint (ws://.../devtools/page/<id>); the
    // set-up takes at most `timeoutMs` in all.
    static std::shared_ptr<CdpSession> forPageEndpoint(std::shared_ptr<CdpConnection> connection,
                                                       int timeoutMs = -1);

    ~CdpSession();
    CdpSession(const CdpSession&) = delete;
    CdpSession& operator=(const CdpSession&) = delete;

    CdpResult call(const QString& method, const QJsonObject& params = {}, int timeoutMs = -1);
    void post(const QString& method, const QJsonObject& params = {});

    // Adds a script that runs in every new document of this page (and its
    // frames) before the document's own scripts. Affects documents created
    // after the call. False when the browser refused or did not answer.
    bool addScriptToNewDocuments(const QString& source, int timeoutMs = -1);

    // Navigates the page and waits until the new document's load event, at
    // most `timeoutMs`. False on a network error, a time-out or a refusal.
    bool navigate(const QString& url, int timeoutMs = -1);

    // The page's current document; empty when it cannot be had.
    AutomationObject document(int timeoutMs = -1);

    // Evaluates `expression` in the page and returns its value as JSON (for
    // tests and tools; page exceptions give Failure::Threw).
    std::variant<QJsonValue, Failure> evaluate(const QString& expression, int timeoutMs = -1);

    // Whether the page's alert, confirm, prompt and before-unload dialogs are
    // accepted as soon as they open. On for pages this session created (a
    // headless page has nobody to answer them, and the page stands still
    // until one is answered); off for a page endpoint, whose embedder shows
    // the dialog to the user.
    void setAcceptDialogs(bool accept) { acceptDialogs_ = accept; }

    // Closes the page target, when this session created it. Later calls fail.
    void closePage();

    [[nodiscard]] bool isConnected() const;
    [[nodiscard]] const QString& targetId() const { return targetId_; }
    [[nodiscard]] const QString& sessionId() const { return sessionId_; }
    [[nodiscard]] CdpConnection& connection() const { return *connection_; }
    [[nodiscard]] const std::shared_ptr<CdpConnection>& sharedConnection() const {
        return connection_;
    }

private:
    CdpSession(std::shared_ptr<CdpConnection> connection, QString targetId, QString sessionId,
               bool ownsTarget);
    bool prepare(const QDeadlineTimer& deadline);

    std::shared_ptr<CdpConnection> connection_;
    QString targetId_;
    QString sessionId_;
    bool ownsTarget_ = false;
    bool closed_ = false;
    bool acceptDialogs_ = false;
    int loadEvents_ = 0;
    bool lifecycleEvents_ = false;
    QSet<QString> loadedLoaders_;  // loaders whose document fired its load event
    int eventHandler_ = 0;
};

}  // namespace automation
