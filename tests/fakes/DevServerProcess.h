#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>
#include <optional>

class QNetworkAccessManager;

// Runs <ORVANTA_BIN_DIR>/orvanta-devserver on a free loopback port for one test, and talks to it
// synchronously. The process is stopped (terminate, then kill) when the object goes.
class DevServerProcess
{
public:
    struct Reply
    {
        int status = 0; // 0 when no HTTP answer came
        QByteArray body;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QString errorString;

        QJsonObject json() const;
    };

    // dataDir empty: a private temporary folder. environment: for ORVANTA_DEV_LLM_* variables.
    explicit DevServerProcess(const QStringList &extraArguments = {}, const QString &dataDir = {},
                              const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    ~DevServerProcess();
    DevServerProcess(const DevServerProcess &) = delete;
    DevServerProcess &operator=(const DevServerProcess &) = delete;

    bool isRunning() const { return m_baseUrl.isValid(); }
    QString errorString() const { return m_error; }
    QUrl baseUrl() const { return m_baseUrl; }
    QString baseUrlString() const { return m_baseUrl.toString(); }
    // The secret the server printed; request() sends it to the /_dev/ endpoints.
    QByteArray controlSecret() const { return m_controlSecret; }
    // The server's standard error so far.
    QByteArray log();
    // Stops the server; returns whether it exited normally with status 0.
    bool stop();

    // One request; redirects are not followed. pathAndQuery starts with "/". Requests to /_dev/
    // carry the secret, and a body without a Content-Type goes as JSON.
    Reply request(const QByteArray &method, const QString &pathAndQuery, const QByteArray &body = {},
                  const QList<QPair<QByteArray, QByteArray>> &headers = {});

    // The fault and inspection endpoints (see tools/devserver).
    bool injectFault(const QJsonObject &fault);
    bool clearFaults();
    std::optional<QJsonObject> lastRequest(const QString &path);
    bool setTokenLifetime(int seconds);

    // A whole sign-in with PKCE as the application does it, optionally as another development
    // user; the token endpoint's JSON reply, or none when a step failed.
    std::optional<QJsonObject> signIn(const QString &devUser = {});

private:
    std::unique_ptr<QTemporaryDir> m_ownDataDir;
    QProcess m_process;
    QByteArray m_log;
    QUrl m_baseUrl;
    QByteArray m_controlSecret;
    QString m_error;
    std::unique_ptr<QNetworkAccessManager> m_network;
};
