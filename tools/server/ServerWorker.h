#pragma once

#include "ServerConfig.h"

#include <QSemaphore>
#include <QSslConfiguration>
#include <QThread>

#include <optional>

class QThreadPool;

// What the workers of one server share; it outlives them.
struct WorkerShared
{
    const ServerConfig &config;
    QByteArray signingSecret;
    // The Host header values served.
    QByteArrayList authorities;
    // Set when the server speaks https.
    std::optional<QSslConfiguration> tls;
    QThreadPool &hashing;
};

// One thread with its own event loop, database connection, HTTP front and services, answering the
// connections it accepts from the listening socket all workers share. Nothing an answer needs is
// kept between requests, so any worker (or any process on the same database) can take any request.
class ServerWorker : public QThread
{
    Q_OBJECT
public:
    // listeningSocket: a descriptor of the listening socket, which the worker closes when it ends.
    ServerWorker(const WorkerShared &shared, qintptr listeningSocket);
    // Stops the event loop and waits for the thread.
    ~ServerWorker() override;

    // Starts the thread and waits until it serves; why it cannot.
    std::optional<QString> launch();

protected:
    void run() override;

private:
    void serve();

    const WorkerShared &m_shared;
    qintptr m_socket;
    QSemaphore m_ready;
    std::optional<QString> m_error;
};
