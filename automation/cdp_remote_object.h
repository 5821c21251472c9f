#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <memory>

#include "automation/remote_object.h"

namespace automation {

class CdpSession;

// An object of a page, held by its DevTools object id. Destroying it releases
// the id in the page (Runtime.releaseObject) without waiting for an answer;
// after the document died or the browser went away that release is simply
// not delivered or refused, which is harmless.
class CdpRemoteObject : public RemoteObject {
public:
    CdpRemoteObject(std::shared_ptr<CdpSession> session, QString objectId);
    ~CdpRemoteObject() override;
    CdpRemoteObject(const CdpRemoteObject&) = delete;
    CdpRemoteObject& operator=(const CdpRemoteObject&) = delete;

    std::variant<AutomationValue, Failure> invoke(const Invocation& invocation) override;
    std::variant<AutomationValue, Failure> runFunction(std::string_view source,
                                                       const Arguments& arguments,
                                                       ResultKind wanted) override;
    std::variant<TextBatchResult, Failure> readTexts(const TextBatch& batch) override;
    std::variant<AutomationValue, Failure> keptCandidate(std::int32_t index) override;

    [[nodiscard]] const QString& objectId() const { return objectId_; }
    [[nodiscard]] const std::shared_ptr<CdpSession>& session() const { return session_; }

    // Per-call time bound in milliseconds; < 0 uses the connection's default.
    void setTimeout(int timeoutMs) { timeoutMs_ = timeoutMs; }

    // How many of these objects exist in this process right now.
    [[nodiscard]] static long liveCount();

private:
    // One binder call; the protocol's "result" object, or why it failed.
    std::variant<QJsonObject, Failure> callRaw(const QString& declaration, QJsonArray arguments,
                                               const Arguments& memberArguments, bool byValue);
    std::variant<AutomationValue, Failure> callBinder(const QString& declaration,
                                                      QJsonArray arguments,
                                                      const Arguments& memberArguments,
                                                      ResultKind wanted);
    bool installBinder();

    std::shared_ptr<CdpSession> session_;
    QString objectId_;
    int timeoutMs_ = -1;
};

}  // namespace automation
