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
#include <QUrlQuery>

#include <memory>
#include <optional>
#include <variant>

class QNetworkAccessManager;

// Runs <ORVANTA_BIN_DIR>/orvanta-devserver (or another server program of the build that prints its
// base URL first) on a free loopback port for one test, and talks to it synchronously. The process
// is stopped (terminate, then kill) when the object goes.
class DevServerProcess
{
public:
    struct Program
    {
        QString name;
        QStringList arguments;
    };

    struct Reply
    {
        int status = 0; // 0 when no HTTP answer came
        QByteArray body;
        QHash<QByteArray, QByteArray> headers; // names in lower case

        QJsonObject json() const;
    };

    // dataDir empty: a private temporary folder. environment: for ORVANTA_DEV_LLM_* variables.
    explicit DevServerProcess(const QStringList &extraArguments = {}, const QString &dataDir = {},
                              const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    explicit DevServerProcess(const Program &program,
                              const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    ~DevServerProcess();
    DevServerProcess(const DevServerProcess &) = delete;
    DevServerProcess &operator=(const DevServerProcess &) = delete;

    bool isRunning() const { return m_baseUrl.isValid(); }
    QString errorString() const { return m_error; }
    QUrl baseUrl() const { return m_baseUrl; }
    QString baseUrlString() const { return m_baseUrl.toString(); }
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

    // A POST of the form as application/x-www-form-urlencoded.
    Reply postForm(const QString &path, const QUrlQuery &form);
    // The token endpoint's answer to a refresh with this refresh token.
    Reply refresh(const QString &refreshToken);
    // The authorize request's query as the application sends it for this verifier and state.
    static QUrlQuery authorizeQuery(const QByteArray &verifier, const QByteArray &state);
    // The token request's form for a code as the application sends it.
    static QUrlQuery codeForm(const QString &code, const QByteArray &verifier);

    // A whole sign-in with PKCE as the application does it, optionally as another development
    // user; the token endpoint's JSON reply, or none when a step failed.
    std::optional<QJsonObject> signIn(const QString &devUser = {});
    // The same through orvanta-server's passphrase page; the page's reply when it refused.
    std::variant<QJsonObject, Reply> signInWithPassphrase(const QString &user, const QString &passphrase);

private:
    void start(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
               bool withControlSecret);
    // The token endpoint's reply to the code in a redirect to the callback, or none.
    std::optional<QJsonObject> exchange(const Reply &redirect, const QByteArray &verifier, const QByteArray &state);

    std::unique_ptr<QTemporaryDir> m_ownDataDir;
    QProcess m_process;
    QByteArray m_log;
    QUrl m_baseUrl;
    QByteArray m_controlSecret; // request() sends it to the /_dev/ endpoints
    QString m_error;
    std::unique_ptr<QNetworkAccessManager> m_network;
};
