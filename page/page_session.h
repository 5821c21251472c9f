#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace automation {
class CdpSession;
class ChromiumLauncher;
}  // namespace automation

namespace page {

class WebPage;

// A browser page that the library drives, ready for WebPage: the one entry
// a user of the library starts with. It opens a page of its own, in a
// Chromium that it launches (over the DevTools pipe, no port opened) or at a
// DevTools endpoint that already listens, installs the compatibility layer
// into every document of the page, navigates and waits for the load, follows
// the navigations that an operation starts, and binds a WebPage to whatever
// document is current.
//
//     QString error;
//     auto session = page::PageSession::launch({}, &error);
//     if (!session || !session->navigate("https://example.com/", &error)) ...
//     page::WebPage page;
//     session->rebind(page);
//     session->followNavigation([&] { page.clickLink("More", 3); });
//     session->rebind(page);  // the old document is gone after a navigation
//
// Calls are synchronous, as everywhere in the library: they wait in a nested
// event loop on the calling thread. Failures carry their reason in the
// "scriptmaker.page.session" logging category (silent by default) and, where
// a caller passes one, in an error text.
class PageSession {
public:
    struct LaunchOptions {
        QString executable = QStringLiteral("/usr/bin/chromium");
        bool visible = false;  // a browser window instead of a headless browser
        QStringList extraArguments;
        int startTimeoutMs = 30000;
    };

    // Launches a Chromium and opens a blank page in it. Null (and `error`
    // says why) when the browser cannot be started.
    static std::unique_ptr<PageSession> launch(const LaunchOptions& options,
                                               QString* error = nullptr);

    // Opens a page of its own at a DevTools endpoint that already listens:
    // "http://host:port" (its /json/version names the browser's socket) or a
    // "ws://host:port/devtools/browser/<id>" address. A
    // "ws://host:port/devtools/page/<id>" address drives that very page
    // instead, which is then left open at the end. Null (and `error` says
    // why) when the endpoint does not answer within `timeoutMs`.
    static std::unique_ptr<PageSession> connect(const QString& endpoint, int timeoutMs,
                                                QString* error = nullptr);

    // Takes over a page session opened elsewhere (the page stays open at the
    // end unless that session created it). The current document gets the
    // compatibility layer as well as every later one.
    static std::unique_ptr<PageSession> adopt(std::shared_ptr<automation::CdpSession> session,
                                              QString* error = nullptr);

    // Another page of its own in the same browser or at the same endpoint,
    // for playing one more script beside this one. The browser stays up as
    // long as any of its sessions lives. Null (and `error` says why) when the
    // browser opens no page.
    std::unique_ptr<PageSession> openAnotherPage(QString* error = nullptr);

    ~PageSession();
    PageSession(const PageSession&) = delete;
    PageSession& operator=(const PageSession&) = delete;

    // Loads `address` and waits for the new document's load event, at most
    // `timeoutMs` (< 0: the connection's default). False on a network error,
    // a refused address or a time-out; `error` says which.
    bool navigate(const QString& address, QString* error = nullptr, int timeoutMs = -1);

    // Binds `page` to the page's current document. False, and `page` left
    // unbound, when the page has no document or the browser is gone.
    bool rebind(WebPage& page);

    // What followNavigation() saw.
    enum class Navigation {
        None,      // the action started no navigation of the page
        Loaded,    // it did, and the new document has loaded
        Stopped,   // it did, and the navigation ended without a new document
        TimedOut,  // it did, and the new document did not load in time
        Gone,      // the browser went away
    };
    // Runs `action` (one or more page operations) and, when it started a
    // navigation of the page (a link, a form, a script setting the
    // location), waits for the new document's load, at most `timeoutMs`.
    Navigation followNavigation(const std::function<void()>& action, int timeoutMs = -1);

    // The page as a PNG image; empty when it cannot be had.
    QByteArray screenshot();

    // Whether the browser still answers on the connection.
    [[nodiscard]] bool isConnected() const;
    // The launched browser; null for an endpoint.
    [[nodiscard]] automation::ChromiumLauncher* browser() const { return browser_.get(); }
    // The reason of the last failure of navigate() or of the session's set-up.
    [[nodiscard]] const QString& lastError() const { return lastError_; }
    [[nodiscard]] automation::CdpSession& session() const { return *session_; }
    [[nodiscard]] const std::shared_ptr<automation::CdpSession>& sharedSession() const {
        return session_;
    }

    // Closes the page (when this session opened it) and stops the browser
    // (when it launched it). The destructor does the same.
    void close();

private:
    PageSession() = default;
    bool prepare(QString* error);
    bool load(const QString& address, QString& reason, int timeoutMs);
    void onEvent(const QString& method, const QJsonObject& params);
    int defaultTimeout() const;

    std::shared_ptr<automation::ChromiumLauncher> browser_;
    QString lastError_;
    std::shared_ptr<automation::CdpSession> session_;
    bool ownsPage_ = false;
    int eventHandler_ = 0;

    // Navigation of the main frame, as the page's events tell it.
    QString mainFrame_;
    int requests_ = 0;   // navigations requested or loads started
    int stops_ = 0;      // loads that ended, with a document or without
    QString committed_;  // loader of the last document committed
    int commits_ = 0;
    QSet<QString> loaded_;  // loaders whose document fired its load event
};

}  // namespace page
