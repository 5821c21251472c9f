// The protocol client over its pipe transport, with the test playing the
// browser on the other end of a socket pair: the cases a real browser does
// not produce on demand (garbage, replies to unknown ids, a message split
// over reads, an oversized or truncated message, a late reply, a peer that
// vanishes mid-call) and re-entrant calls.
#include "automation/cdp_connection.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include "automation/pipe_transport.h"

using namespace automation;

namespace {

// The browser's end: reads our NUL-terminated commands and lets the test
// answer with whatever bytes it likes.
class FakeBrowser {
public:
    FakeBrowser() {
        int ends[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        ours_ = ends[0];
        peer_ = ends[1];
        notifier_ = std::make_unique<QSocketNotifier>(peer_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readCommands(); });
    }
    ~FakeBrowser() { closePeer(); }

    std::unique_ptr<PipeTransport> transport(
        qsizetype maxMessageBytes = PipeTransport::kMaxMessageBytes) {
        return std::make_unique<PipeTransport>(ours_, ours_, maxMessageBytes);
    }

    void write(const QByteArray& bytes) {
        if (peer_ < 0) return;
        EXPECT_EQ(::write(peer_, bytes.constData(), size_t(bytes.size())), bytes.size());
    }
    void send(const QJsonObject& message) {
        write(QJsonDocument(message).toJson(QJsonDocument::Compact) + QByteArray(1, '\0'));
    }
    void reply(qint64 id, const QJsonObject& result) { send({{"id", id}, {"result", result}}); }
    void closePeer() {
        notifier_.reset();
        if (peer_ >= 0) ::close(peer_);
        peer_ = -1;
    }

    std::function<void(const QJsonObject& command)> onCommand;
    std::vector<QJsonObject> commands;

private:
    void readCommands() {
        char chunk[4096];
        const ssize_t got = ::read(peer_, chunk, sizeof chunk);
        if (got <= 0) return;
        buffer_.append(chunk, got);
        qsizetype end;
        while ((end = buffer_.indexOf('\0')) >= 0) {
            const QJsonObject command = QJsonDocument::fromJson(buffer_.left(end)).object();
            buffer_.remove(0, end + 1);
            commands.push_back(command);
            if (onCommand) onCommand(command);
        }
    }

    int ours_ = -1;
    int peer_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QByteArray buffer_;
};

qint64 idOf(const QJsonObject& command) { return qint64(command.value("id").toDouble()); }

TEST(PipeTransport, SplitsMessagesAcrossReadsAndDropsOversizedOnes) {
    FakeBrowser browser;
    auto transport = browser.transport(64);
    std::vector<QByteArray> received;
    transport->setMessageHandler([&](const QByteArray& message) { received.push_back(message); });
    browser.write(QByteArray("first") + '\0' + "sec");
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 1; }, 5000));
    browser.write(QByteArray("ond") + '\0');
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 5000));
    // Oversized, once in one piece and once spread over writes.
    browser.write(QByteArray(100, 'x') + '\0' + "after one" + '\0');
    browser.write(QByteArray(80, 'y'));
    QTest::qWait(50);
    browser.write(QByteArray(80, 'y') + '\0' + "after two" + '\0');
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 4; }, 5000));
    EXPECT_EQ(received, (std::vector<QByteArray>{"first", "second", "after one", "after two"}));
}

TEST(PipeTransport, TruncatedLastMessageIsDroppedAndTheCloseReported) {
    FakeBrowser browser;
    auto transport = browser.transport();
    int messages = 0;
    bool closed = false;
    transport->setMessageHandler([&](const QByteArray&) { ++messages; });
    transport->setCloseHandler([&] { closed = true; });
    browser.write("{\"id\":1,\"res");
    browser.closePeer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed; }, 5000));
    EXPECT_EQ(messages, 0);
    EXPECT_FALSE(transport->isOpen());
    transport->send("ignored once closed");
}

TEST(CdpConnection, FindsItsReplyAmongGarbageUnknownIdsAndEvents) {
    FakeBrowser browser;
    CdpConnection connection(browser.transport());
    std::vector<QString> events;
    connection.addEventHandler([&](const QString& method, const QJsonObject&, const QString&) {
        events.push_back(method);
    });
    browser.onCommand = [&](const QJsonObject& command) {
        browser.write(QByteArray("not json at all") + '\0');
        browser.write(QByteArray("[1, 2, 3]") + '\0');
        browser.write(QByteArray("{\"id\": \"text id\"}") + '\0');
        browser.write(QByteArray("\xff\xfe\x00", 3));
        browser.reply(idOf(command) + 1000, {{"wrong", true}});
        browser.send({{"method", "Page.somethingHappened"}, {"params", QJsonObject{}}});
        browser.reply(idOf(command), {{"answer", 42}});
    };
    const CdpResult result = connection.call("Browser.getVersion");
    ASSERT_TRUE(std::holds_alternative<QJsonObject>(result));
    EXPECT_EQ(std::get<QJsonObject>(result).value("answer").toInt(), 42);
    EXPECT_EQ(events, std::vector<QString>{"Page.somethingHappened"});
    EXPECT_EQ(connection.malformedMessages(), 4);
}

TEST(CdpConnection, ErrorRepliesBecomeFailures) {
    struct Row {
        const char* name;
        QJsonObject reply;
        Failure expected;
    } rows[] = {
        {"object gone",
         {{"error",
           QJsonObject{{"code", -32000}, {"message", "Could not find object with given id"}}}},
         Failure::Disconnected},
        {"context gone",
         {{"error",
           QJsonObject{{"code", -32000}, {"message", "Cannot find context with specified id"}}}},
         Failure::Disconnected},
        {"bad parameters",
         {{"error", QJsonObject{{"code", -32602}, {"message", "Invalid parameters"}}}},
         Failure::BadReply},
        {"result not an object", {{"result", 7}}, Failure::BadReply},
        {"neither result nor error", {}, Failure::BadReply},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeBrowser browser;
        CdpConnection connection(browser.transport());
        browser.onCommand = [&](const QJsonObject& command) {
            QJsonObject reply = row.reply;
            reply.insert("id", idOf(command));
            browser.send(reply);
        };
        const CdpResult result = connection.call("Runtime.callFunctionOn");
        ASSERT_TRUE(std::holds_alternative<Failure>(result));
        EXPECT_EQ(std::get<Failure>(result), row.expected);
    }
}

TEST(CdpConnection, LateReplyDoesNotAnswerTheNextCall) {
    FakeBrowser browser;
    CdpConnection connection(browser.transport());
    qint64 unanswered = 0;
    browser.onCommand = [&](const QJsonObject& command) {
        if (unanswered == 0) {
            unanswered = idOf(command);  // the first call gets no reply in time
            return;
        }
        browser.reply(unanswered, {{"which", "first"}});
        browser.reply(idOf(command), {{"which", "second"}});
    };
    EXPECT_EQ(std::get<Failure>(connection.call("First.call", {}, {}, 200)), Failure::TimedOut);
    const CdpResult second = connection.call("Second.call");
    ASSERT_TRUE(std::holds_alternative<QJsonObject>(second));
    EXPECT_EQ(std::get<QJsonObject>(second).value("which").toString(), "second");
}

TEST(CdpConnection, PeerVanishingMidCallFailsItAndEveryLaterCall) {
    FakeBrowser browser;
    CdpConnection connection(browser.transport());
    browser.onCommand = [&](const QJsonObject&) {
        QTimer::singleShot(50, [&] { browser.closePeer(); });
    };
    // The bound is long: the call must end because the peer went, not by time.
    EXPECT_EQ(std::get<Failure>(connection.call("Slow.call", {}, {}, 60000)),
              Failure::Disconnected);
    EXPECT_FALSE(connection.isConnected());
    const size_t sent = browser.commands.size();
    EXPECT_EQ(std::get<Failure>(connection.call("Later.call", {}, {}, 60000)),
              Failure::Disconnected);
    connection.post("Runtime.releaseObject");
    EXPECT_EQ(browser.commands.size(), sent);
}

TEST(CdpConnection, CallMadeWhileAnotherWaitsFailsAtOnce) {
    FakeBrowser browser;
    CdpConnection connection(browser.transport());
    browser.onCommand = [&](const QJsonObject& command) {
        const qint64 id = idOf(command);
        QTimer::singleShot(100, [&browser, id] { browser.reply(id, {{"done", true}}); });
    };
    std::optional<CdpResult> nested;
    QTimer::singleShot(0, [&] { nested = connection.call("Nested.call", {}, {}, 60000); });
    const CdpResult outer = connection.call("Outer.call");
    EXPECT_TRUE(std::holds_alternative<QJsonObject>(outer));
    ASSERT_TRUE(nested.has_value());
    EXPECT_EQ(std::get<Failure>(*nested), Failure::Reentered);
    ASSERT_EQ(browser.commands.size(), 1u);  // the nested call sent nothing
    EXPECT_TRUE(std::holds_alternative<QJsonObject>(connection.call("After.call")));
}

}  // namespace
