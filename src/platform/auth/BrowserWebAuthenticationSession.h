#pragma once

#include "auth/WebAuthenticationSession.h"

#include <functional>

class SingleInstanceChannel;

// Sign-in in the user's own browser: identity providers refuse embedded web views. The
// provider's redirect to the callback URL starts a second orvanta, which hands the URL over the
// single-instance channel to this process.
class BrowserWebAuthenticationSession : public WebAuthenticationSession
{
    Q_OBJECT
public:
    // Opens a URL in the browser; true when the desktop accepted it.
    using UrlOpener = std::function<bool(const QUrl &)>;

    explicit BrowserWebAuthenticationSession(SingleInstanceChannel &channel, UrlOpener opener = defaultOpener(),
                                             QObject *parent = nullptr);

    bool start(const QUrl &authorizeURL, const QString &callbackScheme) override;
    void cancel() override;

    static UrlOpener defaultOpener();

private:
    void receive(const QUrl &url);

    UrlOpener m_opener;
    QString m_callbackScheme;
    bool m_waiting = false;
};
