#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QWebEngineScript>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "automation/automation_object.h"
#include "automation/automation_value.h"
#include "automation/remote_object.h"

class QWebEnginePage;

namespace embedded {

class ViewObject;

// The late-bound object interface over one page of the embedded engine,
// without any debugging endpoint: every call is one QWebEnginePage::
// runJavaScript in the application's own world (a world the page's scripts
// cannot reach), where the binder (automation/binder.js, the same source as
// for launched browsers) binds the member and a table of handles
// (view_table.js) stands in for the protocol's remote object ids.
//
// The call waits for its answer in the library's nested wait (excluding user
// input), bounded by the call's time bound; like every call of the library
// it must start from the application's own events, never from inside an
// engine callback. After a call timed out the page is marked as not
// answering: later calls fail at once (TimedOut) until the page has answered
// the call that timed out, or a new document starts loading. A page that
// never answers (its script loops for ever) holds its renderer process, so
// that nothing else could load in the view: when a new load starts while the
// page is so marked, that process is ended and the load is made again in a
// new one.
//
// The objects are the document's own nodes and windows as this world sees
// them, with the platform's own members; a page's expandos and script
// variables do not show. Same-origin frames are reached through their
// documents; a frame of another origin allows what the platform allows.
class ViewBinding : public std::enable_shared_from_this<ViewBinding> {
public:
    static constexpr int kDefaultTimeoutMs = 10000;

    // The binding of `page`, made on the first call; it lives as long as the
    // page does, or longer while objects of it are held (their calls then
    // fail as disconnected).
    static std::shared_ptr<ViewBinding> of(QWebEnginePage* page);

    // The scripts the page must get before it loads anything: the binder and
    // the handle table, in the application world of every document. A
    // document made before they were added gets them at its first call.
    static QList<QWebEngineScript> scripts();

    ~ViewBinding();
    ViewBinding(const ViewBinding&) = delete;
    ViewBinding& operator=(const ViewBinding&) = delete;

    // The page's current document; empty when the page has none (nothing was
    // loaded yet), does not answer within `timeoutMs`, or is gone.
    automation::AutomationObject document(int timeoutMs = -1);

    // Calls on the object `handle` of the table `table`; see RemoteObject.
    std::variant<automation::AutomationValue, automation::Failure> call(
        const QString& table, int handle, const QString& nameOrFunction, bool isFunction,
        const QString& kinds, automation::ResultKind wanted, const automation::Arguments& arguments,
        int timeoutMs);

    // Lets go of a handle; delivered with the next call, or soon after
    // without waiting for an answer.
    void release(const QString& table, int handle);

    [[nodiscard]] bool isAlive() const { return !page_.isNull(); }
    // True while an earlier call timed out and the page has not answered it.
    [[nodiscard]] bool isMarkedUnanswering() const { return unanswered_ > 0; }
    [[nodiscard]] int defaultTimeout() const { return defaultTimeoutMs_; }
    void setDefaultTimeout(int timeoutMs) { defaultTimeoutMs_ = timeoutMs; }

    // How many handles this process holds in all views right now.
    [[nodiscard]] static long liveObjects();
    // How many objects the page's current table holds (after the releases
    // made so far are delivered); nothing when the page does not answer.
    std::optional<int> handlesInPage(int timeoutMs = -1);

private:
    struct Pending;
    explicit ViewBinding(QWebEnginePage* page);
    std::variant<QVariant, automation::Failure> run(const QString& script, int worldId,
                                                    int timeoutMs);
    bool installInto(int timeoutMs);
    void lateAnswer(const QVariant& answer);
    void flushReleases();
    QString takeReleases();
    void newDocument();

    QPointer<QWebEnginePage> page_;
    std::unique_ptr<QObject> context_;
    std::vector<std::pair<QString, int>> releases_;
    bool flushQueued_ = false;
    int unanswered_ = 0;
    int documents_ = 0;  // loads started, to tell a navigation from a fault
    int defaultTimeoutMs_ = kDefaultTimeoutMs;
    QUrl loadAfterEnd_;  // the load that ended a page's process, to make again
};

// One object of a view's page: a handle in the page's table. Destroying it
// releases the handle in the page.
class ViewObject : public automation::RemoteObject {
public:
    ViewObject(std::shared_ptr<ViewBinding> binding, QString table, int handle);
    ~ViewObject() override;
    ViewObject(const ViewObject&) = delete;
    ViewObject& operator=(const ViewObject&) = delete;

    std::variant<automation::AutomationValue, automation::Failure> invoke(
        const automation::Invocation& invocation) override;
    std::variant<automation::AutomationValue, automation::Failure> runFunction(
        std::string_view source, const automation::Arguments& arguments,
        automation::ResultKind wanted) override;

    [[nodiscard]] const std::shared_ptr<ViewBinding>& binding() const { return binding_; }
    [[nodiscard]] const QString& table() const { return table_; }
    [[nodiscard]] int handle() const { return handle_; }

    // Per-call time bound in milliseconds; < 0 uses the binding's default.
    void setTimeout(int timeoutMs) { timeoutMs_ = timeoutMs; }

private:
    std::shared_ptr<ViewBinding> binding_;
    QString table_;
    int handle_ = 0;
    int timeoutMs_ = -1;
};

}  // namespace embedded
