#include "automation/cdp_remote_object.h"

#include <QJsonObject>
#include <atomic>
#include <cmath>

#include "automation/automation_value.h"
#include "automation/binder.h"
#include "automation/cdp_session.h"

namespace automation {

namespace {

std::atomic<long> liveObjects{0};

QJsonObject numberArgument(double number) {
    // JSON has no NaN, infinities or negative zero; the protocol spells them.
    if (std::isnan(number)) return {{"unserializableValue", "NaN"}};
    if (std::isinf(number)) return {{"unserializableValue", number > 0 ? "Infinity" : "-Infinity"}};
    if (number == 0 && std::signbit(number)) return {{"unserializableValue", "-0"}};
    return {{"value", number}};
}

QString textFromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The protocol form of one argument; nothing when an object argument cannot
// travel to this page (empty, or of another model or page).
std::optional<QJsonObject> toCallArgument(const Argument& argument, const CdpSession& session) {
    auto objectArgument = [&](const AutomationObject& object) -> std::optional<QJsonObject> {
        const auto* remote = dynamic_cast<const CdpRemoteObject*>(object.remote().get());
        if (!remote) {
            if (object.isEmpty()) return QJsonObject{{"value", QJsonValue::Null}};
            return std::nullopt;
        }
        if (remote->session().get() != &session) return std::nullopt;
        return QJsonObject{{"objectId", remote->objectId()}};
    };
    struct Visitor {
        decltype(objectArgument)& forObject;
        std::optional<QJsonObject> operator()(const std::string& text) const {
            return QJsonObject{{"value", textFromUtf8(text)}};
        }
        std::optional<QJsonObject> operator()(std::int32_t number) const {
            return QJsonObject{{"value", number}};
        }
        std::optional<QJsonObject> operator()(double number) const {
            return numberArgument(number);
        }
        std::optional<QJsonObject> operator()(
            std::reference_wrapper<const AutomationObject> object) const {
            return forObject(object.get());
        }
        std::optional<QJsonObject> operator()(std::reference_wrapper<AutomationValue> value) const {
            const AutomationValue::Storage& storage = value.get().storage();
            if (std::holds_alternative<std::monostate>(storage)) return QJsonObject{};  // undefined
            if (std::holds_alternative<AutomationValue::Null>(storage))
                return QJsonObject{{"value", QJsonValue::Null}};
            if (const bool* truth = std::get_if<bool>(&storage))
                return QJsonObject{{"value", *truth}};
            if (const double* number = std::get_if<double>(&storage))
                return numberArgument(*number);
            if (const auto* text = std::get_if<std::string>(&storage))
                return QJsonObject{{"value", textFromUtf8(*text)}};
            return forObject(std::get<AutomationObject>(storage));
        }
    };
    return std::visit(Visitor{objectArgument}, argument);
}

std::string utf8UpToNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return (nul < 0 ? text : text.left(nul)).toStdString();
}

std::optional<double> numberOf(const QJsonObject& result) {
    const QJsonValue value = result.value("value");
    if (value.isDouble()) return value.toDouble();
    const QString special = result.value("unserializableValue").toString();
    if (special == QLatin1String("Infinity")) return HUGE_VAL;
    if (special == QLatin1String("-Infinity")) return -HUGE_VAL;
    if (special == QLatin1String("-0")) return -0.0;
    return std::nullopt;
}

}  // namespace

CdpRemoteObject::CdpRemoteObject(std::shared_ptr<CdpSession> session, QString objectId)
    : session_(std::move(session)), objectId_(std::move(objectId)) {
    ++liveObjects;
}

CdpRemoteObject::~CdpRemoteObject() {
    --liveObjects;
    if (session_) session_->post("Runtime.releaseObject", {{"objectId", objectId_}});
}

long CdpRemoteObject::liveCount() { return liveObjects.load(); }

std::variant<AutomationValue, Failure> CdpRemoteObject::invoke(const Invocation& invocation) {
    const QJsonArray head{
        QJsonObject{{"value",
                     QString::fromUtf8(invocation.name.data(), qsizetype(invocation.name.size()))}},
        QJsonObject{{"value", binder::kindLetters(invocation.kinds)}},
        QJsonObject{{"value", binder::wantedLetter(invocation.wanted)}}};
    return callBinder(binder::callFunction(), head, invocation.arguments, invocation.wanted);
}

std::variant<AutomationValue, Failure> CdpRemoteObject::runFunction(std::string_view source,
                                                                    const Arguments& arguments,
                                                                    ResultKind wanted) {
    const QJsonArray head{QJsonObject{{"value", QString()}},
                          QJsonObject{{"value", binder::wantedLetter(wanted)}}};
    const QString declaration =
        binder::runFunction(QString::fromUtf8(source.data(), qsizetype(source.size())));
    return callBinder(declaration, head, arguments, wanted);
}

std::variant<TextBatchResult, Failure> CdpRemoteObject::readTexts(const TextBatch& batch) {
    if (batch.count < 0 || batch.first < 0) return Failure::Threw;
    QJsonArray gateValues;
    for (std::string_view value : batch.gateValues) {
        gateValues.append(QString::fromUtf8(value.data(), qsizetype(value.size())));
    }
    const QJsonArray head{
        QJsonObject{{"value", QString::fromUtf8(batch.name.data(), qsizetype(batch.name.size()))}},
        QJsonObject{{"value", QStringLiteral("B")}},
        QJsonObject{{"value", QStringLiteral("a")}},
        QJsonObject{{"value", batch.first}},
        QJsonObject{{"value", batch.count}},
        QJsonObject{
            {"value", QString::fromUtf8(batch.gateName.data(), qsizetype(batch.gateName.size()))}},
        QJsonObject{{"value", gateValues}}};
    auto reply = callRaw(binder::callFunction(), head, {}, true);
    if (const auto* failure = std::get_if<Failure>(&reply)) return *failure;

    // [visited, position, text, position, text, ...], positions rising
    // within the asked range.
    const QJsonArray answer = std::get<QJsonObject>(reply).value("value").toArray();
    if (answer.isEmpty() || answer.size() % 2 != 1 || !answer.at(0).isDouble())
        return Failure::BadReply;
    const double visited = answer.at(0).toDouble();
    if (!(visited >= 0 && visited <= batch.count) || visited != std::trunc(visited))
        return Failure::BadReply;
    TextBatchResult texts;
    texts.visited = static_cast<std::int32_t>(visited);
    const qsizetype kept = answer.size() / 2;
    texts.positions.reserve(std::size_t(kept));
    texts.texts.reserve(std::size_t(kept));
    std::int64_t previous = std::int64_t{batch.first} - 1;
    const std::int64_t end = std::int64_t{batch.first} + texts.visited;
    for (qsizetype i = 1; i < answer.size(); i += 2) {
        const QJsonValue position = answer.at(i);
        const QJsonValue text = answer.at(i + 1);
        if (!position.isDouble() || !text.isString()) return Failure::BadReply;
        const double at = position.toDouble();
        if (!(at > double(previous) && at < double(end)) || at != std::trunc(at))
            return Failure::BadReply;
        previous = static_cast<std::int64_t>(at);
        texts.positions.push_back(static_cast<std::int32_t>(at));
        texts.texts.push_back(utf8UpToNul(text.toString()));
    }
    return texts;
}

std::variant<AutomationValue, Failure> CdpRemoteObject::keptCandidate(std::int32_t index) {
    const QJsonArray head{QJsonObject{{"value", QString()}},
                          QJsonObject{{"value", QStringLiteral("P")}},
                          QJsonObject{{"value", binder::wantedLetter(ResultKind::Object)}},
                          QJsonObject{{"value", index}}};
    return callBinder(binder::callFunction(), head, {}, ResultKind::Object);
}

bool CdpRemoteObject::installBinder() {
    const CdpResult installed =
        session_->call("Runtime.callFunctionOn",
                       {{"objectId", objectId_},
                        {"functionDeclaration", binder::installFunction()},
                        {"arguments", QJsonArray{QJsonObject{{"value", binder::key()}}}},
                        {"silent", true}},
                       timeoutMs_);
    const auto* result = std::get_if<QJsonObject>(&installed);
    return result && !result->contains("exceptionDetails");
}

std::variant<QJsonObject, Failure> CdpRemoteObject::callRaw(const QString& declaration,
                                                            QJsonArray arguments,
                                                            const Arguments& memberArguments,
                                                            bool byValue) {
    for (const Argument& argument : memberArguments) {
        std::optional<QJsonObject> converted = toCallArgument(argument, *session_);
        if (!converted) return Failure::Threw;
        arguments.append(*converted);
    }
    QJsonObject params{{"objectId", objectId_},
                       {"functionDeclaration", declaration},
                       {"arguments", arguments},
                       {"silent", true}};
    if (byValue) params.insert("returnByValue", true);
    CdpResult reply = session_->call("Runtime.callFunctionOn", params, timeoutMs_);
    for (int attempt = 0;; ++attempt) {
        if (const auto* failure = std::get_if<Failure>(&reply)) return *failure;
        const QJsonObject& result = std::get<QJsonObject>(reply);
        const QJsonValue exception = result.value("exceptionDetails");
        if (exception.isUndefined()) break;
        const QString thrown =
            exception.toObject().value("exception").toObject().value("value").toString();
        if (thrown == QLatin1String("NotBound")) return Failure::NotBound;
        // A document created before the binder was registered for new
        // documents has none: install it there once and call again.
        if (thrown != QLatin1String("Unbound") || attempt > 0 || !installBinder())
            return Failure::Threw;
        reply = session_->call("Runtime.callFunctionOn", params, timeoutMs_);
    }
    return std::get<QJsonObject>(reply).value("result").toObject();
}

std::variant<AutomationValue, Failure> CdpRemoteObject::callBinder(const QString& declaration,
                                                                   QJsonArray arguments,
                                                                   const Arguments& memberArguments,
                                                                   ResultKind wanted) {
    auto reply = callRaw(declaration, std::move(arguments), memberArguments, false);
    if (const auto* failure = std::get_if<Failure>(&reply)) return *failure;
    const QJsonObject& result = std::get<QJsonObject>(reply);
    const QString type = result.value("type").toString();
    const QString objectId = result.value("objectId").toString();
    auto newObject = [&] {
        return objectId.isEmpty()
                   ? AutomationObject()
                   : AutomationObject(std::make_shared<CdpRemoteObject>(session_, objectId));
    };
    switch (wanted) {
        case ResultKind::None:
            return AutomationValue();
        case ResultKind::Text:
            if (type != QLatin1String("string")) return Failure::BadReply;
            return AutomationValue(utf8UpToNul(result.value("value").toString()));
        case ResultKind::Number:
            if (const auto number = numberOf(result)) return AutomationValue(*number);
            return Failure::BadReply;
        case ResultKind::Boolean:
            if (type != QLatin1String("boolean")) return Failure::BadReply;
            return AutomationValue(result.value("value").toBool());
        case ResultKind::Object:
            return AutomationValue(newObject());
        case ResultKind::Value:
            if (type == QLatin1String("undefined")) return AutomationValue();
            if (type == QLatin1String("boolean"))
                return AutomationValue(result.value("value").toBool());
            if (type == QLatin1String("string"))
                return AutomationValue(result.value("value").toString().toStdString());
            if (type == QLatin1String("number")) {
                if (const auto number = numberOf(result)) return AutomationValue(*number);
                return Failure::BadReply;
            }
            if (!objectId.isEmpty()) return AutomationValue(newObject());
            if (type == QLatin1String("object")) return AutomationValue(AutomationValue::Null{});
            return Failure::BadReply;
    }
    return Failure::BadReply;
}

}  // namespace automation
