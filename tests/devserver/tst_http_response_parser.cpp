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
        QTest::addColumn<bool>("complete");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("keepsAlive");
        QTest::newRow("length") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello") << false << true
                                << 200 << QByteArray("hello") << true;
        QTest::newRow("chunks, extension, trailer")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=1\r\nhello\r\n6\r\n world\r\n"
                          "0\r\nX-Trailer: 1\r\n\r\n")
            << false << true << 200 << QByteArray("hello world") << true;
        QTest::newRow("until closed") << QByteArray("HTTP/1.1 200 OK\r\n\r\nbody") << true << true << 200
                                      << QByteArray("body") << false;
        QTest::newRow("connection: close") << QByteArray("HTTP/1.1 500 Oops\r\nConnection: close\r\nContent-Length: "
                                                         "2\r\n\r\n{}")
                                           << false << true << 500 << QByteArray("{}") << false;
        QTest::newRow("HTTP/1.0") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok") << false << true
                                  << 200 << QByteArray("ok") << false;
        QTest::newRow("interim 100 skipped")
            << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok") << false
            << true << 201 << QByteArray("ok") << true;
        QTest::newRow("cut short") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort") << true << false
                                   << 200 << QByteArray() << false;
        QTest::newRow("not HTTP") << QByteArray("<html>Welcome</html>\r\n\r\n") << false << true << 0 << QByteArray()
                                  << false;
    }

    void readsAResponseHoweverItArrives()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, thenClosed);
        QFETCH(bool, complete);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, keepsAlive);
        // Whole, and one byte at a time.
        for (const qsizetype piece : {bytes.size(), qsizetype(1)}) {
            HttpResponseParser parser;
            bool done = false;
            for (qsizetype at = 0; at < bytes.size() && !done; at += piece)
                done = parser.feed(bytes.mid(at, piece));
            if (!done && thenClosed)
                done = parser.closed();
            QCOMPARE(done, complete);
            if (!complete)
                continue;
            QCOMPARE(parser.problem().isEmpty(), status != 0);
            QCOMPARE(parser.status(), status);
            QCOMPARE(parser.body(), body);
            QCOMPARE(parser.keepsAlive(), keepsAlive);
        }
    }
};

QTEST_GUILESS_MAIN(HttpResponseParserTest)
#include "tst_http_response_parser.moc"
