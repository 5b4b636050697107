#include "UpstreamClient.h"

#include <QSslSocket>
#include <QTimer>

#include <algorithm>

UpstreamClient::UpstreamClient(const QUrl &endpoint, const Headers &headers, int timeoutMs, QObject *parent)
    : QObject(parent)
    , m_endpoint(endpoint)
    , m_timeoutMs(timeoutMs)
{
    QByteArray target = endpoint.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (endpoint.hasQuery())
        target += '?' + endpoint.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = endpoint.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (endpoint.port() != -1)
        host += ':' + QByteArray::number(endpoint.port());
    m_head = "POST " + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    for (const auto &[name, value] : headers)
        m_head += name + ": " + value + "\r\n";
}

UpstreamClient::~UpstreamClient()
{
    // The sockets go with this object; none of their last signals may reach it half destroyed.
    for (const auto &connection : m_connections) {
        connection->socket->disconnect(this);
        connection->deadline->disconnect(this);
    }
}

void UpstreamClient::post(const QByteArray &body, Done done)
{
    auto exchange = std::make_unique<Exchange>();
    exchange->request = m_head + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    exchange->done = std::move(done);
    exchange->age.start();
    dispatch(std::move(exchange));
}

void UpstreamClient::dispatch(std::unique_ptr<Exchange> exchange, bool freshConnection)
{
    if (!freshConnection) {
        for (const auto &connection : m_connections) {
            if (!connection->exchange && connection->socket->state() == QAbstractSocket::ConnectedState) {
                assign(connection.get(), std::move(exchange));
                return;
            }
        }
    }
    if (m_connections.size() < maximumConnections)
        assign(open(), std::move(exchange));
    else
        m_waiting.push_back(std::move(exchange));
}

UpstreamClient::Connection *UpstreamClient::open()
{
    auto connection = std::make_unique<Connection>();
    Connection *raw = connection.get();
    const bool tls = m_endpoint.scheme() == QStringLiteral("https");
    QTcpSocket *socket = tls ? new QSslSocket(this) : new QTcpSocket(this);
    raw->socket = socket;
    raw->deadline = new QTimer(socket);
    raw->deadline->setSingleShot(true);
    connect(raw->deadline, &QTimer::timeout, this, [this, raw] { finish(raw, {0, {}, {}, true}, false); });
    connect(socket, &QIODevice::readyRead, this, [this, raw] { readable(raw); });
    connect(socket, &QAbstractSocket::disconnected, this, [this, raw] { closed(raw); });
    connect(socket, &QAbstractSocket::errorOccurred, this, [this, raw] { closed(raw); });
    m_connections.push_back(std::move(connection));
    // Connected from the event loop: a refusal can be reported at once, and must not reach the
    // connection before its exchange is assigned.
    QMetaObject::invokeMethod(
        socket,
        [this, socket, tls, host = m_endpoint.host(), port = quint16(m_endpoint.port(tls ? 443 : 80))] {
            const auto exchangeOf = [this, socket]() -> Exchange * {
                const auto found =
                    std::find_if(m_connections.begin(), m_connections.end(),
                                 [socket](const auto &candidate) { return candidate->socket == socket; });
                return found == m_connections.end() ? nullptr : (*found)->exchange.get();
            };
            // A connection dropped meanwhile (its exchange timed out) is not opened at all.
            if (!exchangeOf())
                return;
            if (tls)
                static_cast<QSslSocket *>(socket)->connectToHostEncrypted(host, port);
            else
                socket->connectToHost(host, port);
            // Written while connecting, the request goes out once the connection stands.
            if (Exchange *exchange = exchangeOf())
                socket->write(exchange->request);
        },
        Qt::QueuedConnection);
    return raw;
}

void UpstreamClient::assign(Connection *connection, std::unique_ptr<Exchange> exchange)
{
    connection->parser = HttpResponseParser();
    connection->deadline->start(int(std::max<qint64>(0, m_timeoutMs - exchange->age.elapsed())));
    connection->exchange = std::move(exchange);
    QTcpSocket *socket = connection->socket;
    if (socket->state() == QAbstractSocket::ConnectedState) {
        socket->write(connection->exchange->request);
        // Sent now rather than when the event loop next looks at the socket: under a burst that
        // is after every other request read in this pass, and each would wait for all of them.
        // A connection the other end has closed fails here, at once, and may be gone after it.
        socket->flush();
    }
}

void UpstreamClient::readable(Connection *connection)
{
    const QByteArray bytes = connection->socket->readAll();
    // Bytes nobody asked for: the connection cannot be trusted with the next request.
    if (!connection->exchange) {
        drop(connection);
        return;
    }
    const HttpResponseParser &parser = connection->parser;
    if (!connection->parser.feed(bytes))
        return;
    if (!parser.problem().isEmpty())
        finish(connection, {0, {}, parser.problem(), false}, false);
    else
        finish(connection, {parser.status(), parser.body(), {}, false}, parser.keepsAlive());
}

void UpstreamClient::closed(Connection *connection)
{
    if (!connection->exchange) {
        drop(connection);
        return;
    }
    HttpResponseParser &parser = connection->parser;
    if (parser.closed()) {
        finish(connection, {parser.status(), parser.body(), {}, false}, false);
        return;
    }
    if (connection->reused && !parser.hasStarted() && !connection->exchange->retried) {
        // A kept connection the other end had closed meanwhile: once more on a new one.
        std::unique_ptr<Exchange> exchange = std::move(connection->exchange);
        exchange->retried = true;
        drop(connection);
        dispatch(std::move(exchange), true);
        return;
    }
    const QString error = connection->socket->error() == QAbstractSocket::RemoteHostClosedError
                              ? QStringLiteral("The connection closed before the reply was complete.")
                              : connection->socket->errorString();
    finish(connection, {0, {}, error, false}, false);
}

void UpstreamClient::finish(Connection *connection, const Response &response, bool keep)
{
    connection->deadline->stop();
    const Done done = std::move(connection->exchange->done);
    connection->exchange.reset();
    if (keep)
        connection->reused = true;
    else
        drop(connection);
    if (!m_waiting.empty()) {
        std::unique_ptr<Exchange> next = std::move(m_waiting.front());
        m_waiting.pop_front();
        dispatch(std::move(next));
    }
    done(response);
}

void UpstreamClient::drop(Connection *connection)
{
    connection->socket->disconnect(this);
    connection->deadline->disconnect(this);
    connection->socket->abort();
    connection->socket->deleteLater();
    std::erase_if(m_connections, [connection](const auto &candidate) { return candidate.get() == connection; });
}
