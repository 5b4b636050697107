#include "DevServerProcess.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrlQuery>

namespace {

constexpr int startTimeoutMs = 15000;
constexpr int requestTimeoutMs = 30000;
const QString clientId = QStringLiteral("4kq8zt1vr7mw2hx9pbn3yjd6ca");
const QString redirectUri = QStringLiteral("com.orvanta.desktop.auth://auth/cognito");
constexpr auto base64Url = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

QByteArray randomBase64Url(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->generate(raw.begin(), raw.end());
    return raw.toBase64(base64Url);
}

} // namespace

QJsonObject DevServerProcess::Reply::json() const
{
    return QJsonDocument::fromJson(body).object();
}

DevServerProcess::DevServerProcess(const QStringList &extraArguments, const QString &dataDir,
                                   const QProcessEnvironment &environment)
{
    if (dataDir.isEmpty())
        m_ownDataDir = std::make_unique<QTemporaryDir>();
    start(QStringLiteral("orvanta-devserver"),
          QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"),
                      m_ownDataDir ? m_ownDataDir->path() : dataDir} +
              extraArguments,
          environment, true);
}

DevServerProcess::DevServerProcess(const Program &program, const QProcessEnvironment &environment)
{
    start(program.name, program.arguments, environment, false);
}

void DevServerProcess::start(const QString &program, const QStringList &arguments,
                             const QProcessEnvironment &environment, bool withControlSecret)
{
    m_network = std::make_unique<QNetworkAccessManager>();
    const QString binDir = qEnvironmentVariable("ORVANTA_BIN_DIR");
    if (binDir.isEmpty()) {
        m_error = QStringLiteral("ORVANTA_BIN_DIR is not set.");
        return;
    }
    m_process.setProcessEnvironment(environment);
    m_process.start(binDir + QLatin1Char('/') + program, arguments);
    if (!m_process.waitForStarted(startTimeoutMs)) {
        m_error = m_process.errorString();
        return;
    }
    const QDeadlineTimer deadline(startTimeoutMs);
    // The base URL, then the development server's control secret.
    const int lines = withControlSecret ? 2 : 1;
    const auto allLines = [this, lines] { return m_process.peek(4096).count('\n') >= lines; };
    while (!allLines() && m_process.state() == QProcess::Running && !deadline.hasExpired())
        m_process.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    if (!allLines()) {
        m_process.waitForFinished(1000);
        m_error = program + QStringLiteral(" printed no base URL: ") + QString::fromUtf8(log());
        stop();
        return;
    }
    const QUrl baseUrl(QString::fromUtf8(m_process.readLine().trimmed()));
    if (withControlSecret)
        m_controlSecret = m_process.readLine().trimmed();
    m_baseUrl = baseUrl;
}

DevServerProcess::~DevServerProcess()
{
    stop();
}

QByteArray DevServerProcess::log()
{
    m_log += m_process.readAllStandardError();
    return m_log;
}

bool DevServerProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
        log();
        return false;
    }
    log();
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

DevServerProcess::Reply DevServerProcess::request(const QByteArray &method, const QString &pathAndQuery,
                                                  const QByteArray &body,
                                                  const QList<QPair<QByteArray, QByteArray>> &headers)
{
    QNetworkRequest request(QUrl(m_baseUrl.toString() + pathAndQuery));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (pathAndQuery.startsWith(QStringLiteral("/_dev/"))) {
        request.setRawHeader("X-Orvanta-Dev-Secret", m_controlSecret);
        if (!body.isEmpty())
            request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    }
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply *reply = m_network->sendCustomRequest(request, method, body);
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timeout.start(requestTimeoutMs);
    if (!reply->isFinished())
        loop.exec();
    Reply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    for (const auto &[name, value] : reply->rawHeaderPairs())
        result.headers.insert(name.toLower(), value);
    delete reply;
    return result;
}

bool DevServerProcess::injectFault(const QJsonObject &fault)
{
    return request("POST", QStringLiteral("/_dev/faults"), QJsonDocument(fault).toJson(QJsonDocument::Compact))
               .status == 204;
}

bool DevServerProcess::clearFaults()
{
    return request("DELETE", QStringLiteral("/_dev/faults")).status == 204;
}

std::optional<QJsonObject> DevServerProcess::lastRequest(const QString &path)
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("path"), path);
    const Reply reply = request("GET", QStringLiteral("/_dev/last-request?") + query.toString(QUrl::FullyEncoded));
    if (reply.status != 200)
        return std::nullopt;
    return reply.json();
}

bool DevServerProcess::setTokenLifetime(int seconds)
{
    const QJsonObject settings{{QStringLiteral("token_lifetime"), seconds}};
    return request("POST", QStringLiteral("/_dev/settings"), QJsonDocument(settings).toJson(QJsonDocument::Compact))
               .status == 204;
}

QUrlQuery DevServerProcess::authorizeQuery(const QByteArray &verifier, const QByteArray &state)
{
    QUrlQuery authorize;
    authorize.addQueryItem(QStringLiteral("client_id"), clientId);
    authorize.addQueryItem(QStringLiteral("response_type"), QStringLiteral("code"));
    authorize.addQueryItem(QStringLiteral("scope"), QStringLiteral("openid email profile"));
    authorize.addQueryItem(QStringLiteral("redirect_uri"), redirectUri);
    authorize.addQueryItem(QStringLiteral("identity_provider"), QStringLiteral("Google"));
    authorize.addQueryItem(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
    authorize.addQueryItem(
        QStringLiteral("code_challenge"),
        QString::fromLatin1(QCryptographicHash::hash(verifier, QCryptographicHash::Sha256).toBase64(base64Url)));
    authorize.addQueryItem(QStringLiteral("state"), QString::fromLatin1(state));
    return authorize;
}

QUrlQuery DevServerProcess::codeForm(const QString &code, const QByteArray &verifier)
{
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("grant_type"), QStringLiteral("authorization_code"));
    form.addQueryItem(QStringLiteral("client_id"), clientId);
    form.addQueryItem(QStringLiteral("code"), code);
    form.addQueryItem(QStringLiteral("redirect_uri"), redirectUri);
    form.addQueryItem(QStringLiteral("code_verifier"), QString::fromLatin1(verifier));
    return form;
}

DevServerProcess::Reply DevServerProcess::postForm(const QString &path, const QUrlQuery &form)
{
    return request("POST", path, form.toString(QUrl::FullyEncoded).toUtf8(),
                   {{"Content-Type", "application/x-www-form-urlencoded"}});
}

DevServerProcess::Reply DevServerProcess::refresh(const QString &refreshToken)
{
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("grant_type"), QStringLiteral("refresh_token"));
    form.addQueryItem(QStringLiteral("client_id"), clientId);
    form.addQueryItem(QStringLiteral("refresh_token"), refreshToken);
    return postForm(QStringLiteral("/oauth2/token"), form);
}

std::optional<QJsonObject> DevServerProcess::exchange(const Reply &redirect, const QByteArray &verifier,
                                                      const QByteArray &state)
{
    const QUrlQuery callback(QUrl::fromEncoded(redirect.headers.value("location")));
    if (redirect.status != 302 || callback.queryItemValue(QStringLiteral("state")) != QString::fromLatin1(state))
        return std::nullopt;
    const Reply tokens =
        postForm(QStringLiteral("/oauth2/token"), codeForm(callback.queryItemValue(QStringLiteral("code")), verifier));
    if (tokens.status != 200)
        return std::nullopt;
    return tokens.json();
}

std::optional<QJsonObject> DevServerProcess::signIn(const QString &devUser)
{
    const QByteArray verifier = randomBase64Url(64);
    const QByteArray state = randomBase64Url(32);
    QUrlQuery authorize = authorizeQuery(verifier, state);
    if (!devUser.isEmpty())
        authorize.addQueryItem(QStringLiteral("dev_user"), QString::fromUtf8(QUrl::toPercentEncoding(devUser)));
    return exchange(request("GET", QStringLiteral("/oauth2/authorize?") + authorize.toString(QUrl::FullyEncoded)),
                    verifier, state);
}

std::variant<QJsonObject, DevServerProcess::Reply> DevServerProcess::signInWithPassphrase(const QString &user,
                                                                                          const QString &passphrase)
{
    const QByteArray verifier = randomBase64Url(64);
    const QByteArray state = randomBase64Url(32);
    // What the page's form posts: the authorize request as it came, and the two fields.
    const QByteArrayList fields{
        "request=" + QUrl::toPercentEncoding(authorizeQuery(verifier, state).toString(QUrl::FullyEncoded)),
        "user=" + QUrl::toPercentEncoding(user), "passphrase=" + QUrl::toPercentEncoding(passphrase)};
    const Reply page = request("POST", QStringLiteral("/oauth2/authorize"), fields.join('&'),
                               {{"Content-Type", "application/x-www-form-urlencoded"}});
    if (const auto tokens = exchange(page, verifier, state))
        return *tokens;
    return page;
}
