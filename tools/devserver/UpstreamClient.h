#pragma once

#include "HttpResponseParser.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QTcpSocket;
class QTimer;

// POSTs to one http or https endpoint for a service that forwards the requests it answers: the
// connections are kept alive for the next request, and all work stays on the calling thread.
// (QNetworkAccessManager costs several times as much a request, hands each to a thread of its
// own, and opens at most six connections to a host.) Redirects are not followed.
class UpstreamClient : public QObject
{
    Q_OBJECT
public:
    struct Response
    {
        int status = 0; // 0: no HTTP reply came, see error
        QByteArray body;
        QString error;
        bool timedOut = false;
    };
    using Done = std::function<void(const Response &)>;
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    // timeoutMs: for each whole exchange, from post() to the reply's last byte.
    UpstreamClient(const QUrl &endpoint, const Headers &headers, int timeoutMs, QObject *parent = nullptr);
    ~UpstreamClient() override;

    // Calls done exactly once, later, unless the client goes first. Beyond maximumConnections,
    // posts wait for a free connection.
    void post(const QByteArray &body, Done done);

    static constexpr size_t maximumConnections = 256;

private:
    struct Exchange
    {
        QByteArray request;
        Done done;
        QElapsedTimer age;
        bool retried = false;
    };
    struct Connection
    {
        QTcpSocket *socket = nullptr;
        QTimer *deadline = nullptr;
        HttpResponseParser parser;
        std::unique_ptr<Exchange> exchange;
        bool reused = false;
    };

    void dispatch(std::unique_ptr<Exchange> exchange, bool freshConnection = false);
    Connection *open();
    void assign(Connection *connection, std::unique_ptr<Exchange> exchange);
    void readable(Connection *connection);
    void closed(Connection *connection);
    void timedOut(Connection *connection);
    // Ends the connection's exchange with this response and lets a waiting post have the slot.
    void finish(Connection *connection, const Response &response, bool keep);
    void drop(Connection *connection);

    QUrl m_endpoint;
    QByteArray m_head;
    int m_timeoutMs;
    std::vector<std::unique_ptr<Connection>> m_connections;
    std::deque<std::unique_ptr<Exchange>> m_waiting;
};
