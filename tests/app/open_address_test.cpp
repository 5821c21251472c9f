// "打开" hands the address box's text to the browser.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWebEngineView>

#include "tests/support/main_window_fixture.h"

namespace {

// A tiny HTTP server on 127.0.0.1 that answers every request with one page
// and remembers the request lines.
class PageServer : public QObject {
public:
    PageServer() {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost));
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QByteArray request = socket->readAll();
                    requests << QString::fromLatin1(request.left(request.indexOf("\r\n")));
                    const QByteArray body = "<html><head><title>served</title></head></html>";
                    socket->write(
                        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: "
                        "close\r\nContent-Length: " +
                        QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    quint16 port() const { return server_.serverPort(); }
    QStringList requests;

private:
    QTcpServer server_;
};

using OpenAddressTest = test_support::MainWindowFixture;

TEST_F(OpenAddressTest, AddressWithoutSchemeIsCompletedLikeAnAddressBar) {
    PageServer server;
    const QString address = QStringLiteral("127.0.0.1:%1/page?q=1").arg(server.port());
    window().setControlText("编辑框1", address.toStdString());
    QSignalSpy loaded(window().browser(), &QWebEngineView::loadFinished);
    click("按钮2");
    ASSERT_TRUE(loaded.wait(20000));
    EXPECT_TRUE(loaded.first().first().toBool());
    EXPECT_EQ(window().browser()->url(), QUrl("http://" + address));
    EXPECT_EQ(window().browser()->title(), "served");
    EXPECT_TRUE(server.requests.contains("GET /page?q=1 HTTP/1.1"))
        << server.requests.join(", ").toStdString();
    // The handler does not touch the address box.
    EXPECT_EQ(window().controlText("编辑框1"), address.toStdString());
}

TEST_F(OpenAddressTest, FullAddressAndLocalFileLoad) {
    QSignalSpy loaded(window().browser(), &QWebEngineView::loadFinished);
    const QString file = QStringLiteral(FIXTURE_DIR "/app/keys.html");
    window().setControlText("编辑框1", file.toStdString());
    click("按钮2");
    ASSERT_TRUE(loaded.wait(20000));
    EXPECT_EQ(window().browser()->url(), QUrl::fromLocalFile(file));
    EXPECT_EQ(window().browser()->title(), "keys");
}

TEST_F(OpenAddressTest, EmptyAddressLoadsNothingAndDoesNotFail) {
    window().setControlText("编辑框1", "");
    click("按钮2");
    QTest::qWait(500);
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(window().browser()->url().isEmpty() ||
                window().browser()->url() == QUrl("about:blank"))
        << window().browser()->url().toString().toStdString();
}

}  // namespace
