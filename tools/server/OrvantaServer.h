#pragma once

#include "ServerConfig.h"

#include <QObject>
#include <QThreadPool>
#include <QUrl>

#include <memory>
#include <variant>
#include <vector>

class ServerWorker;
struct WorkerShared;

// The answer service a user or a team runs: sign-in with a passphrase, answers from the
// configured model, presets, all kept in the database so a restart or a second process behind
// a load balancer serves the same sessions. Requests are answered by worker threads that share
// one listening socket.
class OrvantaServer : public QObject
{
    Q_OBJECT
public:
    explicit OrvantaServer(ServerConfig config, QObject *parent = nullptr);
    ~OrvantaServer() override;

    // Opens the database, listens and starts the workers; the base URL, or why the server cannot run.
    std::variant<QUrl, QString> start();

private:
    ServerConfig m_config;
    // Argon2id takes much memory: a few checks at a time, however many arrive.
    QThreadPool m_hashing;
    std::unique_ptr<WorkerShared> m_shared;
    std::vector<std::unique_ptr<ServerWorker>> m_workers;
};
