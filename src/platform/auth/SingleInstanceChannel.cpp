#include "SingleInstanceChannel.h"

#include <QDir>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTimer>

#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "orvanta.instance")

namespace {
// One line per connection: "open <encoded URL>\n", "show\n" or "capture\n", answered with "ok\n".
constexpr qsizetype maxMessageBytes = 16 * 1024;
constexpr int clientIdleTimeoutMs = 5000;
const QByteArray openCommand = QByteArrayLiteral("open ");
const QByteArray showCommand = QByteArrayLiteral("show");
const QByteArray captureCommand = QByteArrayLiteral("capture");
const QByteArray acknowledgement = QByteArrayLiteral("ok\n");
} // namespace

QString SingleInstanceChannel::defaultSocketPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/orvanta-%1.socket").arg(::getuid());
}

SingleInstanceChannel::SingleInstanceChannel(QString socketPath, QObject *parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath))
{
    // Only the owner may connect; without this any local user could hand us a forged callback.
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstanceChannel::acceptConnections);
}

SingleInstanceChannel::~SingleInstanceChannel() = default;

bool SingleInstanceChannel::listen()
{
    if (m_server.isListening())
        return true;
    // Listening replaces any socket file at the path, so the lock, not the socket, decides who
    // is first. QLockFile takes over a lock whose process has died.
    auto lock = std::make_unique<QLockFile>(m_socketPath + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError)
            qCWarning(lcInstance) << "[SingleInstanceChannel] Could not create the lock next to" << m_socketPath;
        return false;
    }
    QLocalServer::removeServer(m_socketPath);
    if (!m_server.listen(m_socketPath)) {
        qCWarning(lcInstance) << "[SingleInstanceChannel] Could not listen:" << m_server.errorString();
        return false;
    }
    m_lock = std::move(lock);
    return true;
}

void SingleInstanceChannel::acceptConnections()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        // A client that never finishes its line is dropped.
        QTimer::singleShot(clientIdleTimeoutMs, socket, [socket] { socket->abort(); });
        readMessage(socket);
    }
}

void SingleInstanceChannel::readMessage(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maxMessageBytes)
            socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(maxMessageBytes).trimmed();
    socket->write(acknowledgement);
    socket->disconnectFromServer();
    if (line == showCommand) {
        Q_EMIT activationRequested();
        return;
    }
    if (line == captureCommand) {
        Q_EMIT captureRequested();
        return;
    }
    if (line.startsWith(openCommand)) {
        const QUrl url = QUrl::fromEncoded(line.mid(openCommand.size()), QUrl::StrictMode);
        if (url.isValid() && !url.scheme().isEmpty()) {
            Q_EMIT urlReceived(url);
            return;
        }
    }
    qCWarning(lcInstance) << "[SingleInstanceChannel] Ignored a message that is not a URL, show or capture request";
}

bool SingleInstanceChannel::handOver(const QString &socketPath, const QUrl &url, std::chrono::milliseconds timeout)
{
    return deliver(socketPath, url.isEmpty() ? showCommand : openCommand + url.toEncoded(), timeout);
}

bool SingleInstanceChannel::requestCapture(const QString &socketPath, std::chrono::milliseconds timeout)
{
    return deliver(socketPath, captureCommand, timeout);
}

bool SingleInstanceChannel::deliver(const QString &socketPath, const QByteArray &message,
                                    std::chrono::milliseconds timeout)
{
    const int waitMs = static_cast<int>(timeout.count());
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(waitMs))
        return false;
    socket.write(message + '\n');
    if (!socket.waitForBytesWritten(waitMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(waitMs))
            return false;
    }
    return socket.readLine().trimmed() + '\n' == acknowledgement;
}
