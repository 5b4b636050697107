#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QUrl>

#include <chrono>
#include <memory>

class QLocalSocket;

// One running orvanta per user. The first process listens on a local socket only its user can
// reach; a later one (started by the desktop for a sign-in callback URL, launched again by the
// user, or run as `orvanta --capture` from a key the desktop binds) hands its URL over, asks the
// first to show itself or to start a capture, and exits.
class SingleInstanceChannel : public QObject
{
    Q_OBJECT
public:
    // <user runtime folder>/orvanta-<uid>.socket; the runtime folder is the user's own (0700).
    static QString defaultSocketPath();

    explicit SingleInstanceChannel(QString socketPath = defaultSocketPath(), QObject *parent = nullptr);
    ~SingleInstanceChannel() override;

    // Becomes the first instance. False when another instance is already running (hand over to
    // it instead) or when the socket cannot be made. A socket file left behind by a crashed
    // instance is replaced.
    bool listen();
    bool isListening() const { return m_server.isListening(); }
    QString socketPath() const { return m_socketPath; }

    // The later instance's side: delivers `url` (an empty URL only asks the first instance to
    // show itself) and waits at most `timeout` for the first instance to take it.
    static bool handOver(const QString &socketPath, const QUrl &url,
                         std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));
    // The later instance's side of `orvanta --capture`.
    static bool requestCapture(const QString &socketPath,
                               std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));

Q_SIGNALS:
    void urlReceived(const QUrl &url);
    void activationRequested();
    void captureRequested();

private:
    void acceptConnections();
    void readMessage(QLocalSocket *socket);
    static bool deliver(const QString &socketPath, const QByteArray &message, std::chrono::milliseconds timeout);

    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};
