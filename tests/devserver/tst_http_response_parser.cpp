#include "HttpResponseParser.h"

#include <QTest>

class HttpResponseParserTest : public QObject
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
};

QTEST_GUILESS_MAIN(HttpResponseParserTest)
#include "tst_http_response_parser.moc"
