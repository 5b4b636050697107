#include "HttpResponseParser.h"
#include "UpstreamClient.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

// The client that forwards questions to the model, and the parser that reads its replies.
class UpstreamClientTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsAResponseHoweverItArrives_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("thenClosed");
        QTest::addColumn<QByteArray>("outcome"); // status, body and whether the connection stays open
        const auto row = [](const char *name, const QByteArray &bytes, bool thenClosed, const QByteArray &outcome) {
            QTest::newRow(name) << bytes << thenClosed << outcome;
        };
        row("length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", false, "200 hello, kept");
        row("chunks, extension, trailer",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=1\r\nhello\r\n6\r\n world\r\n0\r\nX-Trailer: "
            "1\r\n\r\n",
            false, "200 hello world, kept");
        row("until closed", "HTTP/1.1 200 OK\r\n\r\nbody", true, "200 body, closed");
        row("connection: close", "HTTP/1.1 500 Oops\r\nConnection: close\r\nContent-Length: 2\r\n\r\n{}", false,
            "500 {}, closed");
        row("HTTP/1.0", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", false, "200 ok, closed");
        row("interim 100 skipped", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok",
            false, "201 ok, kept");
        row("cut short", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort", true, "incomplete");
        row("not HTTP", "<html>Welcome</html>\r\n\r\n", false, "a problem: 0 , closed");
    }

    void readsAResponseHoweverItArrives()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, thenClosed);
        QFETCH(QByteArray, outcome);
        // Whole, and one byte at a time.
        for (const qsizetype piece : {bytes.size(), qsizetype(1)}) {
            HttpResponseParser parser;
            bool done = false;
            for (qsizetype at = 0; at < bytes.size() && !done; at += piece)
                done = parser.feed(bytes.mid(at, piece));
            if (!done && thenClosed)
                done = parser.closed();
            QCOMPARE(done ? (parser.problem().isEmpty() ? "" : "a problem: ") + QByteArray::number(parser.status()) +
                                ' ' + parser.body() + (parser.keepsAlive() ? ", kept" : ", closed")
                          : QByteArray("incomplete"),
                     outcome);
        }
    }

    void postsOnceMoreOnAFreshConnectionWhenAKeptOneWasClosed()
    {
        // Answers the first request on each connection and closes it at the next, as a server whose
        // idle time limit runs out just as that request arrives.
        QTcpServer model;
        QVERIFY(model.listen(QHostAddress::LocalHost));
        int connections = 0, requests = 0;
        connect(&model, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *socket = model.nextPendingConnection();
            ++connections;
            connect(socket, &QTcpSocket::readyRead, socket, [socket, &requests] {
                socket->readAll();
                ++requests;
                if (socket->property("answered").toBool())
                    socket->close();
                else
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
                socket->setProperty("answered", true);
            });
        });
        UpstreamClient client(QUrl(QStringLiteral("http://127.0.0.1:%1/v1").arg(model.serverPort())), {}, 10000);
        QList<UpstreamClient::Response> responses;
        for (int i = 1; i <= 2; ++i) {
            client.post("{}", [&responses](const UpstreamClient::Response &response) { responses.append(response); });
            QTRY_COMPARE(responses.size(), i);
            QCOMPARE(responses.last().status, 200);
            QCOMPARE(responses.last().body, QByteArray("ok"));
        }
        // The second went out on the kept connection first.
        QCOMPARE(requests, 3);
        QCOMPARE(connections, 2);
    }
};

QTEST_GUILESS_MAIN(UpstreamClientTest)
#include "tst_upstream_client.moc"
