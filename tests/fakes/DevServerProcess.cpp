#include "DevServerProcess.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace {

constexpr int startTimeoutMs = 15000;
constexpr int requestTimeoutMs = 30000;
const QString clientId = u"4kq8zt1vr7mw2hx9pbn3yjd6ca"_s;
const QString redirectUri = u"com.orvanta.desktop.auth://auth/cognito"_s;
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
    start(u"orvanta-devserver"_s,
          QStringList{u"--port"_s, u"0"_s, u"--data"_s, m_ownDataDir ? m_ownDataDir->path() : dataDir} + extraArguments,
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
        m_error = u"ORVANTA_BIN_DIR is not set."_s;
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
        m_error = program + u" printed no base URL: "_s + QString::fromUtf8(log());
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
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
        log();
    }
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

DevServerProcess::Reply DevServerProcess::request(const QByteArray &method, const QString &pathAndQuery,
                                                  const QByteArray &body,
                                                  const QList<QPair<QByteArray, QByteArray>> &headers)
{
    QNetworkRequest request(QUrl(m_baseUrl.toString() + pathAndQuery));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(requestTimeoutMs);
    if (pathAndQuery.startsWith(u"/_dev/"_s)) {
        request.setRawHeader("X-Orvanta-Dev-Secret", m_controlSecret);
        if (!body.isEmpty())
            request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    }
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply *reply = m_network->sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
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
    return request("POST", u"/_dev/faults"_s, QJsonDocument(fault).toJson(QJsonDocument::Compact)).status == 204;
}

bool DevServerProcess::clearFaults()
{
    return request("DELETE", u"/_dev/faults"_s).status == 204;
}

std::optional<QJsonObject> DevServerProcess::lastRequest(const QString &path)
{
    const Reply reply =
        request("GET", u"/_dev/last-request?"_s + QUrlQuery{{u"path"_s, path}}.toString(QUrl::FullyEncoded));
    return reply.status == 200 ? std::optional(reply.json()) : std::nullopt;
}

bool DevServerProcess::setTokenLifetime(int seconds)
{
    return request("POST", u"/_dev/settings"_s, R"({"token_lifetime":)" + QByteArray::number(seconds) + '}').status ==
           204;
}

QUrlQuery DevServerProcess::authorizeQuery(const QByteArray &verifier, const QByteArray &state)
{
    const QByteArray challenge = QCryptographicHash::hash(verifier, QCryptographicHash::Sha256).toBase64(base64Url);
    return QUrlQuery{{u"client_id"_s, clientId},
                     {u"response_type"_s, u"code"_s},
                     {u"scope"_s, u"openid email profile"_s},
                     {u"redirect_uri"_s, redirectUri},
                     {u"identity_provider"_s, u"Google"_s},
                     {u"code_challenge_method"_s, u"S256"_s},
                     {u"code_challenge"_s, QString::fromLatin1(challenge)},
                     {u"state"_s, QString::fromLatin1(state)}};
}

QUrlQuery DevServerProcess::codeForm(const QString &code, const QByteArray &verifier)
{
    return QUrlQuery{{u"grant_type"_s, u"authorization_code"_s},
                     {u"client_id"_s, clientId},
                     {u"code"_s, code},
                     {u"redirect_uri"_s, redirectUri},
                     {u"code_verifier"_s, QString::fromLatin1(verifier)}};
}

DevServerProcess::Reply DevServerProcess::postForm(const QString &path, const QUrlQuery &form)
{
    return request("POST", path, form.toString(QUrl::FullyEncoded).toUtf8(),
                   {{"Content-Type", "application/x-www-form-urlencoded"}});
}

DevServerProcess::Reply DevServerProcess::refresh(const QString &refreshToken)
{
    return postForm(u"/oauth2/token"_s, QUrlQuery{{u"grant_type"_s, u"refresh_token"_s},
                                                  {u"client_id"_s, clientId},
                                                  {u"refresh_token"_s, refreshToken}});
}

std::optional<QJsonObject> DevServerProcess::exchange(const Reply &redirect, const QByteArray &verifier,
                                                      const QByteArray &state)
{
    const QUrlQuery callback(QUrl::fromEncoded(redirect.headers.value("location")));
    if (redirect.status != 302 || callback.queryItemValue(u"state"_s) != QString::fromLatin1(state))
        return std::nullopt;
    const Reply tokens = postForm(u"/oauth2/token"_s, codeForm(callback.queryItemValue(u"code"_s), verifier));
    return tokens.status == 200 ? std::optional(tokens.json()) : std::nullopt;
}

std::optional<QJsonObject> DevServerProcess::signIn(const QString &devUser)
{
    const QByteArray verifier = randomBase64Url(64);
    const QByteArray state = randomBase64Url(32);
    QUrlQuery authorize = authorizeQuery(verifier, state);
    if (!devUser.isEmpty())
        authorize.addQueryItem(u"dev_user"_s, QString::fromUtf8(QUrl::toPercentEncoding(devUser)));
    return exchange(request("GET", u"/oauth2/authorize?"_s + authorize.toString(QUrl::FullyEncoded)), verifier, state);
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
    const Reply page = request("POST", u"/oauth2/authorize"_s, fields.join('&'),
                               {{"Content-Type", "application/x-www-form-urlencoded"}});
    if (const auto tokens = exchange(page, verifier, state))
        return *tokens;
    return page;
}
