// The protocol client over its pipe transport, with the test playing the
// browser on the other end of a socket pair: the cases a real browser does
// not produce on demand (garbage, replies to unknown ids, a message split
// over reads, an oversized or truncated message, a late reply with objects in
// it, a reply streamed across the bound, a peer that vanishes mid-call or
// hangs in the middle of setting up a page) and re-entrant calls.
#include "automation/cdp_connection.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

#include "automation/cdp_session.h"
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

    // The browser's end of the socket, for a thread that streams a long
    // message while the test's thread waits.
    [[nodiscard]] int peer() const { return peer_; }

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

QString methodOf(const QJsonObject& command) { return command.value("method").toString(); }

qint64 millisecondsOf(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.elapsed();
}

// Writes all of `bytes` to a blocking socket; stops when it is shut down.
void writeAll(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        const ssize_t written = ::send(fd, bytes, size, MSG_NOSIGNAL);
        if (written <= 0) return;
        bytes += written;
        size -= size_t(written);
    }
}

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

TEST(PipeTransport, ReturnsToTheEventLoopBetweenReads) {
    FakeBrowser browser;
    // Room for all of it at once in the socket, so that a reader that reads
    // until nothing is left would take every message in one go.
    constexpr int kMessages = 16;
    constexpr int kMessageBytes = 1024 * 1024;
    const int room = 64 * 1024 * 1024;
    if (setsockopt(browser.peer(), SOL_SOCKET, SO_SNDBUFFORCE, &room, sizeof room) != 0)
        GTEST_SKIP() << "cannot enlarge the socket buffer (needs CAP_NET_ADMIN)";
    auto transport = browser.transport();
    int received = 0;
    int receivedWhenTheLoopRan = -1;
    transport->setMessageHandler([&](const QByteArray& message) {
        EXPECT_EQ(message.size(), kMessageBytes);
        if (++received == 1) QTimer::singleShot(0, [&] { receivedWhenTheLoopRan = received; });
    });
    const QByteArray message = QByteArray(kMessageBytes, 'x') + '\0';
    for (int i = 0; i < kMessages; ++i) browser.write(message);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received == kMessages; }, 10000));
    // -1: every message came in one go before the loop could run the timer.
    EXPECT_TRUE(receivedWhenTheLoopRan >= 1 && receivedWhenTheLoopRan < kMessages)
        << receivedWhenTheLoopRan;
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

// A reply streamed in over longer than its call's bound (50 MiB) or longer
// than the transport takes (300 MiB, over the 256 MiB limit): the call ends at
// its bound or as soon as its reply is dropped, and once the peer is through
// with it the next call is answered at once.
struct StreamedCase {
    const char* name;
    qsizetype bytes;
    int pieceDelayMs;  // the peer's pause after each MiB
    int boundMs;
    Failure expected;
};

class StreamedReply : public testing::TestWithParam<StreamedCase> {};

TEST_P(StreamedReply, EndsInTimeAndSparesTheNextCall) {
    const StreamedCase& row = GetParam();
    FakeBrowser browser;
    CdpConnection connection(browser.transport());
    std::thread writer;
    std::atomic<bool> written = false;
    qint64 bigId = 0;
    browser.onCommand = [&](const QJsonObject& command) {
        if (bigId != 0) {
            browser.reply(idOf(command), {{"which", "next"}});
            return;
        }
        bigId = idOf(command);
        // The text's end is left out: a reply that is read after all would
        // count as malformed.
        const QByteArray start = "{\"id\":" + QByteArray::number(bigId) +
                                 ",\"result\":{\"result\":{\"type\":\"string\",\"value\":\"";
        writer = std::thread([&browser, &written, start, row] {
            const QByteArray piece(1024 * 1024, 'x');
            writeAll(browser.peer(), start.constData(), size_t(start.size()));
            for (qsizetype sent = 0; sent < row.bytes; sent += piece.size()) {
                writeAll(browser.peer(), piece.constData(), size_t(piece.size()));
                if (row.pieceDelayMs > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(row.pieceDelayMs));
            }
            writeAll(browser.peer(), "\0", 1);
            written = true;
        });
    };
    CdpResult result;
    const qint64 elapsed = millisecondsOf(
        [&] { result = connection.call("Runtime.callFunctionOn", {}, "S", row.boundMs); });
    ASSERT_TRUE(std::holds_alternative<Failure>(result));
    EXPECT_EQ(std::get<Failure>(result), row.expected);
    EXPECT_LE(elapsed, row.boundMs * 11 / 10);

    // The peer finishes its message; the client skips the rest of it.
    const bool finished = QTest::qWaitFor(
        [&] {
            return written && !connection.isUnresponsive("S") &&
                   (row.expected == Failure::BadReply || connection.lateReplies() == 1);
        },
        60000);
    if (!finished) shutdown(browser.peer(), SHUT_RDWR);  // lets the writer end
    writer.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(connection.malformedMessages(), 0);
    CdpResult next;
    const qint64 nextElapsed =
        millisecondsOf([&] { next = connection.call("Runtime.callFunctionOn", {}, "S", 10000); });
    ASSERT_TRUE(std::holds_alternative<QJsonObject>(next));
    EXPECT_EQ(std::get<QJsonObject>(next).value("which").toString(), "next");
    EXPECT_LT(nextElapsed, 500);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, StreamedReply,
    testing::Values(StreamedCase{"FiftyMiBSlowerThanTheBound", qsizetype(50) << 20, 150, 5000,
                                 Failure::TimedOut},
                    // BadReply, not TimedOut: the call ends when the limit
                    // is passed, long before its bound.
                    StreamedCase{"ThreeHundredMiBOverTheLimit", qsizetype(300) << 20, 0, 120000,
                                 Failure::BadReply}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CdpConnection, LateReplyHasItsObjectsReleasedInItsSession) {
    FakeBrowser browser;
    CdpConnection connection(browser.transport());
    qint64 unanswered = 0;
    browser.onCommand = [&](const QJsonObject& command) {
        if (unanswered == 0) unanswered = idOf(command);
    };
    EXPECT_EQ(std::get<Failure>(connection.call("Runtime.callFunctionOn", {}, "S1", 200)),
              Failure::TimedOut);
    // The reply comes after all, as the browser writes it, with an object as
    // the result and another inside the exception details.
    browser.write("{\"id\":" + QByteArray::number(unanswered) +
                  ",\"result\":{\"result\":{\"type\":\"object\",\"objectId\":\"-1.2.3\"},"
                  "\"exceptionDetails\":{\"text\":\"\\\"objectId\\\":\\\"fake\\\"\","
                  "\"exception\":{\"objectId\":\"-1.2.4\"}}},\"sessionId\":\"S1\"}" +
                  QByteArray(1, '\0'));
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser.commands.size() >= 3; }, 5000));
    std::vector<QString> released;
    for (const QJsonObject& command : browser.commands) {
        if (methodOf(command) != "Runtime.releaseObject") continue;
        EXPECT_EQ(command.value("sessionId").toString(), "S1");
        released.push_back(command.value("params").toObject().value("objectId").toString());
    }
    // The text that only looks like an object id is not taken for one.
    EXPECT_EQ(released, (std::vector<QString>{"-1.2.3", "-1.2.4"}));
    EXPECT_EQ(connection.lateReplies(), 1);
    EXPECT_FALSE(connection.isUnresponsive("S1"));
}

TEST(CdpConnection, BusyPageFailsLaterCallsAtOnceUntilItAnswers) {
    FakeBrowser browser;
    CdpConnection connection(browser.transport());
    qint64 stuck = 0;
    browser.onCommand = [&](const QJsonObject& command) {
        if (methodOf(command) == "Runtime.callFunctionOn" && stuck == 0) {
            stuck = idOf(command);  // the page's thread loops: no answer
            return;
        }
        browser.reply(idOf(command), {{"ok", true}});
    };
    EXPECT_EQ(std::get<Failure>(connection.call("Runtime.callFunctionOn", {}, "S1", 200)),
              Failure::TimedOut);
    EXPECT_TRUE(connection.isUnresponsive("S1"));
    const size_t sent = browser.commands.size();
    const qint64 elapsed = millisecondsOf([&] {
        EXPECT_EQ(std::get<Failure>(connection.call("Runtime.evaluate", {}, "S1", 5000)),
                  Failure::TimedOut);
        EXPECT_EQ(std::get<Failure>(connection.call("DOM.describeNode", {}, "S1", 5000)),
                  Failure::TimedOut);
    });
    EXPECT_LT(elapsed, 500);
    EXPECT_EQ(browser.commands.size(), sent);  // nothing went out
    // Other pages, and commands that the page's thread does not answer,
    // still go out.
    EXPECT_TRUE(std::holds_alternative<QJsonObject>(connection.call("Runtime.evaluate", {}, "S2")));
    EXPECT_TRUE(std::holds_alternative<QJsonObject>(connection.call("Page.navigate", {}, "S1")));
    // The late reply shows the page is free again.
    browser.reply(stuck, {{"late", true}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !connection.isUnresponsive("S1"); }, 5000));
    EXPECT_TRUE(std::holds_alternative<QJsonObject>(connection.call("Runtime.evaluate", {}, "S1")));
}

TEST(CdpConnection, NewDocumentOrLostSessionEndsTheBusyMark) {
    struct Row {
        const char* name;
        QJsonObject event;
        bool ends;
    } rows[] = {
        {"main frame navigated",
         {{"method", "Page.frameNavigated"},
          {"params", QJsonObject{{"frame", QJsonObject{{"id", "F"}}}}},
          {"sessionId", "S1"}},
         true},
        {"child frame navigated",
         {{"method", "Page.frameNavigated"},
          {"params", QJsonObject{{"frame", QJsonObject{{"id", "C"}, {"parentId", "F"}}}}},
          {"sessionId", "S1"}},
         false},
        {"renderer crashed", {{"method", "Inspector.targetCrashed"}, {"sessionId", "S1"}}, true},
        {"session detached",
         {{"method", "Target.detachedFromTarget"}, {"params", QJsonObject{{"sessionId", "S1"}}}},
         true},
        {"another page navigated",
         {{"method", "Page.frameNavigated"},
          {"params", QJsonObject{{"frame", QJsonObject{{"id", "G"}}}}},
          {"sessionId", "S2"}},
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeBrowser browser;
        CdpConnection connection(browser.transport());
        EXPECT_EQ(std::get<Failure>(connection.call("Runtime.evaluate", {}, "S1", 100)),
                  Failure::TimedOut);
        ASSERT_TRUE(connection.isUnresponsive("S1"));
        bool heard = false;
        connection.addEventHandler(
            [&](const QString&, const QJsonObject&, const QString&) { heard = true; });
        browser.send(row.event);
        ASSERT_TRUE(QTest::qWaitFor([&] { return heard; }, 5000));
        EXPECT_EQ(connection.isUnresponsive("S1"), !row.ends);
    }
}

// The reasons go to the protocol category, which is silent unless enabled.
TEST(CdpConnection, FailuresAreLoggedWithTheirKindWhenAskedFor) {
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext& context, const QString& message) {
            if (QLatin1String(context.category) == QLatin1String("scriptmaker.protocol"))
                logged << message;
        });
    FakeBrowser browser;
    CdpConnection connection(browser.transport());
    connection.call("Runtime.evaluate", {}, "S1", 50);
    EXPECT_TRUE(logged.isEmpty()) << logged.join('\n').toStdString();

    QLoggingCategory::setFilterRules(QStringLiteral("scriptmaker.protocol.info=true"));
    connection.call("Runtime.evaluate", {}, "S1", 50);  // at once: the page is busy
    browser.closePeer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !connection.isConnected(); }, 5000));
    connection.call("Page.navigate", {}, "S1", 50);
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);

    const std::string all = logged.join('\n').toStdString();
    ASSERT_GE(logged.size(), 3) << all;
    EXPECT_TRUE(logged.first().contains("TimedOut") && logged.first().contains("has not answered"))
        << all;
    EXPECT_TRUE(logged.filter("pipe closed by the browser").size() == 1) << all;
    EXPECT_TRUE(logged.last().contains("Page.navigate") && logged.last().contains("Disconnected"))
        << all;
}

TEST(CdpConnection, QuitDuringAWaitEndsItAtOnce) {
    FakeBrowser browser;
    CdpConnection connection(browser.transport());
    // The browser never answers. The application is asked to quit while the
    // call waits: the wait must end then, not spin until its bound.
    std::optional<CdpResult> during;
    std::optional<CdpResult> after;
    qint64 duringMs = 0;
    qint64 afterMs = 0;
    QTimer::singleShot(0, [&] {
        browser.onCommand = [&](const QJsonObject&) {
            QTimer::singleShot(50, [] { QCoreApplication::quit(); });
        };
        duringMs =
            millisecondsOf([&] { during = connection.call("Runtime.evaluate", {}, "S1", 20000); });
        // Still quitting: a new wait ends at once too.
        browser.onCommand = nullptr;
        afterMs =
            millisecondsOf([&] { after = connection.call("Page.navigate", {}, "S1", 20000); });
    });
    QCoreApplication::exec();
    ASSERT_TRUE(during && after);
    EXPECT_EQ(std::get<Failure>(*during), Failure::TimedOut);
    EXPECT_EQ(std::get<Failure>(*after), Failure::TimedOut);
    EXPECT_LT(duringMs, 5000);
    EXPECT_LT(afterMs, 1000);
    // Quitting is no sign of a busy page; and once the application's loop has
    // ended, calls wait and are answered as before.
    EXPECT_FALSE(connection.isUnresponsive("S1"));
    browser.onCommand = [&](const QJsonObject& command) {
        browser.reply(idOf(command), {{"ok", true}});
    };
    EXPECT_TRUE(std::holds_alternative<QJsonObject>(connection.call("Runtime.evaluate")));
}

// Setting up a page is bounded as a whole by the caller's bound, even when
// the browser stops answering at the step that used to wait the default.
TEST(CdpSession, SetUpKeepsTheCallersBound) {
    for (const bool ownPage : {true, false}) {
        SCOPED_TRACE(ownPage ? "created page" : "page endpoint");
        FakeBrowser browser;
        auto connection = std::make_shared<CdpConnection>(browser.transport());
        browser.onCommand = [&](const QJsonObject& command) {
            const QString method = methodOf(command);
            if (method == "Target.createTarget")
                browser.reply(idOf(command), {{"targetId", "T1"}});
            else if (method == "Target.attachToTarget")
                browser.reply(idOf(command), {{"sessionId", "S1"}});
            else if (method == "Page.enable")
                browser.reply(idOf(command), {});
            // Anything after that is never answered: a hung engine.
        };
        std::shared_ptr<CdpSession> session;
        const qint64 elapsed = millisecondsOf([&] {
            session = ownPage ? CdpSession::createPage(connection, 2000)
                              : CdpSession::forPageEndpoint(connection, 2000);
        });
        EXPECT_EQ(session, nullptr);
        EXPECT_LE(elapsed, 2200);
        EXPECT_GE(elapsed, 1800);
        if (ownPage) {
            // The half-made page is closed again.
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return methodOf(browser.commands.back()) == "Target.closeTarget"; }, 5000));
        }
    }
}

}  // namespace
