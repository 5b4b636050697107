#include "SignInPage.h"

#include "FormFields.h"
#include "IdentityProvider.h"
#include "PassphraseHash.h"
#include "ServerDatabase.h"
#include "ServiceHttpServer.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

namespace {

const QString requestField = QStringLiteral("request");
const QString userField = QStringLiteral("user");
const QString passphraseField = QStringLiteral("passphrase");

// Checked against when the name is unknown, so an unknown name takes as long as a wrong passphrase.
const QByteArray &unknownUserHash()
{
    static const QByteArray hash = PassphraseHash::make(QByteArrayLiteral("no such user"));
    return hash;
}

DevReply page(int status, const QString &body)
{
    DevReply reply = DevReply::html(
        status,
        QStringLiteral("<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width\"><title>Sign in to Orvanta</title>"
                       "<style>body{font-family:sans-serif;max-width:24em;margin:4em auto;padding:0 1em}"
                       "label,input,button{display:block;width:100%;margin:.3em 0;font-size:1em}"
                       "input{padding:.4em}button{padding:.5em;margin-top:1em}"
                       ".notice{color:#a00}</style></head><body>%1</body></html>")
            .arg(body));
    // The page holds a passphrase field: never framed, never cached, no scripts.
    reply.headers.emplaceBack("Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'; "
                                                         "frame-ancestors 'none'");
    reply.headers.emplaceBack("X-Frame-Options", "DENY");
    reply.headers.emplaceBack("Cache-Control", "no-store");
    reply.headers.emplaceBack("Referrer-Policy", "no-referrer");
    return reply;
}

// Wrong passphrases a name may try within the window that begins with its first.
constexpr int maximumFailures = 5;
constexpr qint64 failureWindowSeconds = 300;

qint64 now()
{
    return QDateTime::currentSecsSinceEpoch();
}

} // namespace

SignInPage::SignInPage(IdentityProvider &identity, ServerDatabase &database, QThreadPool &hashing, QObject *parent)
    : QObject(parent)
    , m_identity(identity)
    , m_database(database)
    , m_hashing(hashing)
{}

DevReply SignInPage::show(const DevRequest &request) const
{
    const auto checked = m_identity.checkAuthorizeRequest(FormFields::parse(request.query.toUtf8()));
    if (const auto *refusal = std::get_if<DevReply>(&checked))
        return *refusal;
    return form(200, request.query, QString(), QString());
}

void SignInPage::submit(const DevRequest &request, const Responder &respond)
{
    const QByteArray mediaType = request.header("content-type").split(';').first().trimmed().toLower();
    const FormFields fields = FormFields::parse(request.body);
    const QString encodedQuery = fields.value(requestField).value_or(QString());
    const auto checked = m_identity.checkAuthorizeRequest(FormFields::parse(encodedQuery.toUtf8()));
    if (const auto *refusal = std::get_if<DevReply>(&checked)) {
        respond(*refusal);
        return;
    }
    const QString userName = fields.value(userField).value_or(QString()).trimmed();
    const QByteArray passphrase = fields.value(passphraseField).value_or(QString()).toUtf8();
    if (mediaType != "application/x-www-form-urlencoded" || userName.isEmpty() || passphrase.isEmpty()) {
        respond(form(400, encodedQuery, userName, QStringLiteral("Enter your user name and passphrase.")));
        return;
    }
    if (const qint64 wait = m_database.admitSignInAttempt(userName, now(), maximumFailures, failureWindowSeconds);
        wait > 0) {
        respond(form(429, encodedQuery, userName,
                     QStringLiteral("Too many wrong passphrases for this name. Try again in %1 seconds.").arg(wait)));
        return;
    }
    const std::optional<QByteArray> stored = m_database.passphraseHash(userName);
    auto *watcher = new QFutureWatcher<bool>(this);
    const auto authorizeRequest = std::get<IdentityProvider::AuthorizeRequest>(checked);
    connect(watcher, &QFutureWatcher<bool>::finished, this,
            [this, watcher, respond, authorizeRequest, encodedQuery, userName] {
                watcher->deleteLater();
                if (!watcher->result()) {
                    respond(form(401, encodedQuery, userName,
                                 QStringLiteral("That user name and passphrase do not match.")));
                    return;
                }
                // Out of the HTTP front's reach here: a failing store is answered on the spot.
                try {
                    m_database.clearSignInAttempts(userName);
                    respond(m_identity.grantCode(authorizeRequest, ServerDatabase::account(userName)));
                } catch (const StoreFailure &failure) {
                    respond(ServiceHttpServer::storeUnavailable(failure));
                }
            });
    watcher->setFuture(QtConcurrent::run(&m_hashing, [stored, passphrase] {
        if (!stored) {
            PassphraseHash::matches(unknownUserHash(), passphrase);
            return false;
        }
        return PassphraseHash::matches(*stored, passphrase);
    }));
}

DevReply SignInPage::form(int status, const QString &encodedQuery, const QString &userName, const QString &notice) const
{
    const QString noticeHtml =
        notice.isEmpty() ? QString()
                         : QStringLiteral("<p class=\"notice\" role=\"alert\">%1</p>").arg(notice.toHtmlEscaped());
    return page(status,
                QStringLiteral("<h1>Sign in to Orvanta</h1>%1"
                               "<form method=\"post\" action=\"/oauth2/authorize\">"
                               "<input type=\"hidden\" name=\"request\" value=\"%2\">"
                               "<label for=\"user\">User name</label>"
                               "<input id=\"user\" name=\"user\" autocomplete=\"username\" required value=\"%3\">"
                               "<label for=\"passphrase\">Passphrase</label>"
                               "<input id=\"passphrase\" name=\"passphrase\" type=\"password\" "
                               "autocomplete=\"current-password\" required autofocus>"
                               "<button type=\"submit\">Sign in</button></form>")
                    .arg(noticeHtml, encodedQuery.toHtmlEscaped(), userName.toHtmlEscaped()));
}
