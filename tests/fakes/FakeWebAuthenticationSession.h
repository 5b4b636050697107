#pragma once

#include "auth/WebAuthenticationSession.h"

#include <QList>

// A sign-in page the test drives by hand: it records what it was asked to open and emits the
// outcomes the test chooses.
class FakeWebAuthenticationSession : public WebAuthenticationSession
{
    Q_OBJECT
public:
    bool startSucceeds = true;
    QList<QUrl> openedURLs;
    QString callbackScheme;
    int cancelCount = 0;

    bool start(const QUrl &authorizeURL, const QString &scheme) override
    {
        openedURLs.append(authorizeURL);
        callbackScheme = scheme;
        return startSucceeds;
    }
    void cancel() override
    {
        ++cancelCount;
        Q_EMIT cancelled();
    }

    void deliver(const QUrl &callbackURL) { Q_EMIT completed(callbackURL); }
    void fail(const QString &message) { Q_EMIT failed(message); }
};
