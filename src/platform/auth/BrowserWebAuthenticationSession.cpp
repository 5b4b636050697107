#include "BrowserWebAuthenticationSession.h"

#include "SingleInstanceChannel.h"

#include <QDesktopServices>

BrowserWebAuthenticationSession::BrowserWebAuthenticationSession(SingleInstanceChannel &channel, UrlOpener opener,
                                                                 QObject *parent)
    : WebAuthenticationSession(parent)
    , m_opener(std::move(opener))
{
    connect(&channel, &SingleInstanceChannel::urlReceived, this, &BrowserWebAuthenticationSession::receive);
}

BrowserWebAuthenticationSession::UrlOpener BrowserWebAuthenticationSession::defaultOpener()
{
    return [](const QUrl &url) { return QDesktopServices::openUrl(url); };
}

bool BrowserWebAuthenticationSession::start(const QUrl &authorizeURL, const QString &callbackScheme)
{
    m_callbackScheme = callbackScheme.toLower();
    m_waiting = m_opener(authorizeURL);
    return m_waiting;
}

void BrowserWebAuthenticationSession::cancel()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    Q_EMIT cancelled();
}

void BrowserWebAuthenticationSession::receive(const QUrl &url)
{
    // Only the first callback of a waiting sign-in counts; later or foreign URLs are not ours.
    if (!m_waiting || url.scheme() != m_callbackScheme)
        return;
    m_waiting = false;
    Q_EMIT completed(url);
}
