#pragma once

#include <QObject>
#include <QUrl>

// The page where the user signs in with the identity provider. Each started session ends in
// exactly one outcome: the callback URL, a cancel by the user, or a failure with its message.
class WebAuthenticationSession : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Shows the sign-in page and waits for a callback with `callbackScheme`. False when the page
    // cannot be shown; then no outcome follows.
    virtual bool start(const QUrl &authorizeURL, const QString &callbackScheme) = 0;
    // The user gave up waiting: ends a started session with cancelled().
    virtual void cancel() = 0;

Q_SIGNALS:
    void completed(const QUrl &callbackURL);
    void cancelled();
    void failed(const QString &message);
};
