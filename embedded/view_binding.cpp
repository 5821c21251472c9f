#include "embedded/view_binding.h"

#include <signal.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineScriptCollection>
#include <atomic>
#include <cmath>
#include <optional>
#include <span>

#include "automation/binder.h"
#include "automation/nested_wait.h"

namespace embedded {

using automation::Arguments;
using automation::AutomationObject;
using automation::AutomationValue;
using automation::Failure;
using automation::ResultKind;

namespace {

constexpr char kScriptName[] = "scriptmaker late binding";

std::atomic<long> liveHandles{0};

// Bindings by page; a binding leaves this list when its page is destroyed.
QHash<const QWebEnginePage*, std::shared_ptr<ViewBinding>>& bindings() {
    static QHash<const QWebEnginePage*, std::shared_ptr<ViewBinding>> all;
    return all;
}

// The name under which the handle table lives in the application world of
// each document: random, fixed for the life of the process.
const QString& tableKey() {
    static const QString value = [] {
        QRandomGenerator* random = QRandomGenerator::system();
        return QStringLiteral("__t%1%2")
            .arg(random->generate64(), 16, 16, QLatin1Char('0'))
            .arg(random->generate64(), 16, 16, QLatin1Char('0'));
    }();
    return value;
}

// The binder, then the table over it, in one script so that their order
// holds in every document.
const QString& installSource() {
    static const QString value = [] {
        QFile file(QStringLiteral(":/embedded/view_table.js"));
        if (!file.open(QIODevice::ReadOnly)) return QString();
        const QString table = QString::fromUtf8(file.readAll()).trimmed();
        return automation::binder::installScript() + QStringLiteral("\n(") + table +
               QStringLiteral(")(\"") + tableKey() + QStringLiteral("\",\"") +
               automation::binder::key() + QStringLiteral("\");");
    }();
    return value;
}

// A JavaScript string literal of `text`.
void appendString(QString& out, const QString& text) {
    out += QLatin1Char('"');
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out += QLatin1Char('\\');
            out += c;
        } else if (u < 0x20 || u == 0x2028 || u == 0x2029) {
            out += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
}

void appendNumber(QString& out, double number) {
    if (std::isnan(number)) {
        out += QStringLiteral("NaN");
    } else if (std::isinf(number)) {
        out += number > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    } else if (number == 0 && std::signbit(number)) {
        out += QStringLiteral("-0");
    } else {
        // Parenthesised so that a sign never joins a neighbouring token.
        out += QLatin1Char('(') + QString::number(number, 'g', 17) + QLatin1Char(')');
    }
}

QString textFromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::string utf8UpToNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return (nul < 0 ? text : text.left(nul)).toStdString();
}

std::optional<double> specialNumber(const QString& name) {
    if (name == QLatin1String("NaN")) return std::nan("");
    if (name == QLatin1String("Infinity")) return HUGE_VAL;
    if (name == QLatin1String("-Infinity")) return -HUGE_VAL;
    if (name == QLatin1String("-0")) return -0.0;
    return std::nullopt;
}

int remainingMs(const QDeadlineTimer& deadline) {
    return int(std::max<qint64>(1, deadline.remainingTime()));
}

// Appends the literal of one argument; an object argument of this table goes
// into `objects` as its position and handle. False when the argument cannot
// travel to this table (an object of another page, document or model).
bool appendArgument(QString& out, QString& objects, int position,
                    const automation::Argument& argument, const ViewBinding& binding,
                    const QString& table) {
    auto objectArgument = [&](const AutomationObject& object) {
        if (object.isEmpty()) {
            out += QStringLiteral("null");
            return true;
        }
        const auto* remote = dynamic_cast<const ViewObject*>(object.remote().get());
        if (remote == nullptr || remote->binding().get() != &binding || remote->table() != table)
            return false;
        out += QStringLiteral("null");
        if (!objects.isEmpty()) objects += QLatin1Char(',');
        objects += QString::number(position) + QLatin1Char(',') + QString::number(remote->handle());
        return true;
    };
    if (const auto* text = std::get_if<std::string>(&argument)) {
        appendString(out, textFromUtf8(*text));
        return true;
    }
    if (const auto* number = std::get_if<std::int32_t>(&argument)) {
        appendNumber(out, *number);
        return true;
    }
    if (const auto* number = std::get_if<double>(&argument)) {
        appendNumber(out, *number);
        return true;
    }
    if (const auto* object = std::get_if<std::reference_wrapper<const AutomationObject>>(&argument))
        return objectArgument(object->get());
    const AutomationValue::Storage& storage =
        std::get<std::reference_wrapper<AutomationValue>>(argument).get().storage();
    if (std::holds_alternative<std::monostate>(storage)) {
        out += QStringLiteral("undefined");
    } else if (std::holds_alternative<AutomationValue::Null>(storage)) {
        out += QStringLiteral("null");
    } else if (const bool* truth = std::get_if<bool>(&storage)) {
        out += *truth ? QStringLiteral("true") : QStringLiteral("false");
    } else if (const double* number = std::get_if<double>(&storage)) {
        appendNumber(out, *number);
    } else if (const auto* text = std::get_if<std::string>(&storage)) {
        appendString(out, textFromUtf8(*text));
    } else {
        return objectArgument(std::get<AutomationObject>(storage));
    }
    return true;
}

}  // namespace

struct ViewBinding::Pending {
    bool done = false;
    bool abandoned = false;
    int generation = 0;
    QVariant answer;
};

ViewBinding::ViewBinding(QWebEnginePage* page)
    : page_(page), context_(std::make_unique<QObject>()) {}

ViewBinding::~ViewBinding() = default;

std::shared_ptr<ViewBinding> ViewBinding::of(QWebEnginePage* page) {
    if (page == nullptr) return nullptr;
    if (auto found = bindings().constFind(page); found != bindings().constEnd()) return *found;
    std::shared_ptr<ViewBinding> binding(new ViewBinding(page));
    bindings().insert(page, binding);
    QObject* context = binding->context_.get();
    std::weak_ptr<ViewBinding> weak = binding;
    QObject::connect(page, &QObject::destroyed, context, [page] { bindings().remove(page); });
    // A new document, or a new process for the page, answers afresh. A page
    // whose script never ended keeps its process from loading anything
    // else: when the page is to load something new while it still has not
    // answered a call that timed out, its process is ended so that the new
    // document can load in a new one.
    QObject::connect(page, &QWebEnginePage::loadStarted, context, [weak] {
        auto b = weak.lock();
        if (!b) return;
        if (b->unanswered_ > 0 && b->page_) {
            const qint64 pid = b->page_->renderProcessPid();
            if (pid > 0 && pid != qint64(::getpid())) {
                b->loadAfterEnd_ = b->page_->url();
                ::kill(pid_t(pid), SIGKILL);
            }
        }
        b->newDocument();
    });
    // The load that ended the process is made again in the new one; queued,
    // as nothing may start from inside the engine's own signal.
    QObject::connect(page, &QWebEnginePage::renderProcessTerminated, context, [weak] {
        auto b = weak.lock();
        if (!b) return;
        b->newDocument();
        const QUrl again = std::exchange(b->loadAfterEnd_, QUrl());
        if (again.isEmpty()) return;
        QTimer::singleShot(0, b->context_.get(), [weak, again] {
            if (auto binding = weak.lock(); binding && binding->page_) binding->page_->load(again);
        });
    });
    return binding;
}

QList<QWebEngineScript> ViewBinding::scripts() {
    QWebEngineScript script;
    script.setName(QString::fromLatin1(kScriptName));
    script.setSourceCode(installSource());
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    return {script};
}

long ViewBinding::liveObjects() { return liveHandles.load(); }

void ViewBinding::newDocument() {
    ++documents_;
    unanswered_ = 0;
}

std::variant<QVariant, Failure> ViewBinding::run(const QString& script, int worldId,
                                                 int timeoutMs) {
    if (page_.isNull()) return Failure::Disconnected;
    if (automation::isWaiting()) return Failure::Reentered;
    if (unanswered_ > 0) return Failure::TimedOut;
    auto pending = std::make_shared<Pending>();
    pending->generation = documents_;
    std::weak_ptr<ViewBinding> weak = weak_from_this();
    // The engine calls back from its own event processing: the callback
    // only records the answer and wakes the wait, it never waits itself.
    page_->runJavaScript(script, quint32(worldId), [pending, weak](const QVariant& answer) {
        pending->done = true;
        if (!pending->abandoned) {
            pending->answer = answer;
            automation::wakeWait();
            return;
        }
        if (auto binding = weak.lock()) {
            if (binding->documents_ == pending->generation && binding->unanswered_ > 0)
                --binding->unanswered_;
            binding->lateAnswer(answer);
        }
    });
    if (!automation::waitNested([&] { return pending->done; }, timeoutMs)) {
        pending->abandoned = true;
        if (!page_.isNull() && documents_ == pending->generation) ++unanswered_;
        return Failure::TimedOut;
    }
    if (page_.isNull()) return Failure::Disconnected;
    if (!pending->answer.isValid() && documents_ != pending->generation)
        return Failure::Disconnected;
    return pending->answer;
}

void ViewBinding::lateAnswer(const QVariant& answer) {
    // An object that a call gave after it timed out is nobody's: let it go.
    const QVariantList list = answer.toList();
    if (list.size() >= 3 && list.at(0).toString() == QLatin1String("o"))
        release(list.at(2).toString(), list.at(1).toInt());
}

bool ViewBinding::installInto(int timeoutMs) {
    if (page_.isNull()) return false;
    // The view's other scripts of this world first (the compatibility
    // layer's copy), each on its own so that one that fails stops no other.
    QString source;
    const QList<QWebEngineScript> all = page_->scripts().toList();
    for (const QWebEngineScript& script : all) {
        if (script.worldId() != QWebEngineScript::ApplicationWorld ||
            script.name() == QLatin1String(kScriptName))
            continue;
        source +=
            QStringLiteral("try{\n") + script.sourceCode() + QStringLiteral("\n}catch(e){}\n");
    }
    source += installSource();
    return !std::holds_alternative<Failure>(
        run(source, QWebEngineScript::ApplicationWorld, timeoutMs));
}

QString ViewBinding::takeReleases() {
    QString out = QStringLiteral("[");
    for (size_t i = 0; i < releases_.size(); ++i) {
        if (i > 0) out += QLatin1Char(',');
        appendString(out, releases_[i].first);
        out += QLatin1Char(',') + QString::number(releases_[i].second);
    }
    releases_.clear();
    return out + QLatin1Char(']');
}

void ViewBinding::release(const QString& table, int handle) {
    if (page_.isNull()) return;
    releases_.emplace_back(table, handle);
    if (flushQueued_) return;
    flushQueued_ = true;
    std::weak_ptr<ViewBinding> weak = weak_from_this();
    QTimer::singleShot(0, context_.get(), [weak] {
        if (auto binding = weak.lock()) binding->flushReleases();
    });
}

void ViewBinding::flushReleases() {
    flushQueued_ = false;
    if (releases_.empty() || page_.isNull()) return;
    // Posted without waiting for an answer.
    page_->runJavaScript(QStringLiteral("(function(e){if(typeof e===\"function\")e(\"\",") +
                             takeReleases() + QStringLiteral(",-1)})(window[\"") + tableKey() +
                             QStringLiteral("\"])"),
                         QWebEngineScript::ApplicationWorld);
}

std::optional<int> ViewBinding::handlesInPage(int timeoutMs) {
    if (page_.isNull() || page_->url().isEmpty()) return std::nullopt;
    auto reply = run(
        QStringLiteral("(function(e){return typeof e===\"function\"?e(\"\",") + takeReleases() +
            QStringLiteral(",-2):[\"Unbound\"]})(window[\"") + tableKey() + QStringLiteral("\"])"),
        QWebEngineScript::ApplicationWorld, timeoutMs < 0 ? defaultTimeoutMs_ : timeoutMs);
    const auto* answer = std::get_if<QVariant>(&reply);
    if (answer == nullptr) return std::nullopt;
    const QVariantList list = answer->toList();
    if (list.value(0).toString() != QLatin1String("d")) return std::nullopt;
    return list.value(1).toInt();
}

AutomationObject ViewBinding::document(int timeoutMs) {
    // A view that has loaded nothing has no document to give.
    if (page_.isNull() || page_->url().isEmpty()) return {};
    auto result = call(QString(), 0, QStringLiteral("function(){return this}"), true, QString(),
                       ResultKind::Object, {}, timeoutMs);
    auto* value = std::get_if<AutomationValue>(&result);
    if (value == nullptr) return {};
    if (const auto* object = std::get_if<AutomationObject>(&value->storage()))
        return object->duplicate();
    return {};
}

std::variant<AutomationValue, Failure> ViewBinding::call(
    const QString& table, int handle, const QString& nameOrFunction, bool isFunction,
    const QString& kinds, ResultKind wanted, const Arguments& arguments, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs < 0 ? defaultTimeoutMs_ : timeoutMs);
    QString argumentList;
    QString objects;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) argumentList += QLatin1Char(',');
        if (!appendArgument(argumentList, objects, int(i), arguments[i], *this, table))
            return Failure::Threw;
    }
    QString tail = QStringLiteral(",") + QString::number(handle) + QLatin1Char(',');
    if (isFunction) {
        tail += QLatin1Char('(') + nameOrFunction + QStringLiteral("\n)");
    } else {
        appendString(tail, nameOrFunction);
    }
    tail += QLatin1Char(',');
    appendString(tail, kinds);
    tail += QLatin1Char(',');
    appendString(tail, automation::binder::wantedLetter(wanted));
    tail += QStringLiteral(",[") + argumentList + QStringLiteral("],[") + objects +
            QStringLiteral("]):[\"Unbound\"]})(window[\"") + tableKey() + QStringLiteral("\"])");
    QString head = QStringLiteral("(function(e){return typeof e===\"function\"?e(");
    appendString(head, table);
    head += QLatin1Char(',');

    QVariantList answer;
    for (int attempt = 0;; ++attempt) {
        const int documentsBefore = documents_;
        auto reply = run(head + takeReleases() + tail, QWebEngineScript::ApplicationWorld,
                         remainingMs(deadline));
        if (const auto* failure = std::get_if<Failure>(&reply)) return *failure;
        const QVariant& raw = std::get<QVariant>(reply);
        // No answer at all: the script did not compile (a function that is
        // not one), or its document went away while it ran.
        if (raw.typeId() != QMetaType::QVariantList)
            return documents_ != documentsBefore ? Failure::Disconnected : Failure::Threw;
        answer = raw.toList();
        const QString tag = answer.value(0).toString();
        if (tag != QLatin1String("Unbound")) break;
        // A document made before the view got its scripts: give it them once.
        if (attempt > 0 || !table.isEmpty() || !installInto(remainingMs(deadline)))
            return table.isEmpty() ? Failure::Threw : Failure::Disconnected;
    }

    const QString tag = answer.value(0).toString();
    // Code for the page's own world that execScript left to run there.
    if (answer.size() > 1) {
        const QVariantList last = answer.last().toList();
        if (last.size() == 2 && last.at(0).toString() == QLatin1String("x")) {
            answer.removeLast();
            auto ran =
                run(last.at(1).toString(), QWebEngineScript::MainWorld, remainingMs(deadline));
            // Errors of the code itself are not reported; a page that does
            // not answer is.
            if (const auto* failure = std::get_if<Failure>(&ran)) {
                if (*failure == Failure::TimedOut || *failure == Failure::Disconnected)
                    return *failure;
            }
        }
    }
    if (tag == QLatin1String("NotBound")) return Failure::NotBound;
    if (tag == QLatin1String("Threw")) return Failure::Threw;
    if (tag == QLatin1String("Gone")) return Failure::Disconnected;

    const QVariant value = answer.value(1);
    auto newObject = [&]() -> AutomationObject {
        return AutomationObject(std::make_shared<ViewObject>(
            shared_from_this(), answer.value(2).toString(), answer.value(1).toInt()));
    };
    // An object that the caller did not ask for is let go at once.
    if (tag == QLatin1String("o") && wanted != ResultKind::Object && wanted != ResultKind::Value) {
        release(answer.value(2).toString(), value.toInt());
        return Failure::BadReply;
    }
    std::optional<double> number;
    if (tag == QLatin1String("d") && value.canConvert<double>()) number = value.toDouble();
    if (tag == QLatin1String("D")) number = specialNumber(value.toString());
    switch (wanted) {
        case ResultKind::None:
            return AutomationValue();
        case ResultKind::Text:
            if (tag != QLatin1String("s")) return Failure::BadReply;
            return AutomationValue(utf8UpToNul(value.toString()));
        case ResultKind::Number:
            if (number) return AutomationValue(*number);
            return Failure::BadReply;
        case ResultKind::Boolean:
            if (tag != QLatin1String("b")) return Failure::BadReply;
            return AutomationValue(value.toBool());
        case ResultKind::Object:
            if (tag == QLatin1String("o")) return AutomationValue(newObject());
            if (tag == QLatin1String("z")) return AutomationValue(AutomationObject());
            return Failure::BadReply;
        case ResultKind::Value:
            if (tag == QLatin1String("u")) return AutomationValue();
            if (tag == QLatin1String("z")) return AutomationValue(AutomationValue::Null{});
            if (tag == QLatin1String("b")) return AutomationValue(value.toBool());
            if (tag == QLatin1String("s")) return AutomationValue(value.toString().toStdString());
            if (number) return AutomationValue(*number);
            if (tag == QLatin1String("o")) return AutomationValue(newObject());
            return Failure::BadReply;
    }
    return Failure::BadReply;
}

ViewObject::ViewObject(std::shared_ptr<ViewBinding> binding, QString table, int handle)
    : binding_(std::move(binding)), table_(std::move(table)), handle_(handle) {
    ++liveHandles;
}

ViewObject::~ViewObject() {
    --liveHandles;
    if (binding_) binding_->release(table_, handle_);
}

std::variant<AutomationValue, Failure> ViewObject::invoke(
    const automation::Invocation& invocation) {
    return binding_->call(
        table_, handle_,
        QString::fromUtf8(invocation.name.data(), qsizetype(invocation.name.size())), false,
        automation::binder::kindLetters(invocation.kinds), invocation.wanted, invocation.arguments,
        timeoutMs_);
}

std::variant<AutomationValue, Failure> ViewObject::runFunction(std::string_view source,
                                                               const Arguments& arguments,
                                                               ResultKind wanted) {
    return binding_->call(table_, handle_,
                          QString::fromUtf8(source.data(), qsizetype(source.size())), true,
                          QString(), wanted, arguments, timeoutMs_);
}

}  // namespace embedded
