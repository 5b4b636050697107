#pragma once

#include <QString>
#include <QUrl>

// What the command line and the environment configure.
struct DevServerOptions
{
    quint16 port = 8780;
    QString dataDir;
    QString clientId;
    QString redirectUri;
    int tokenLifetimeSeconds = 3600;
    // An OpenAI-compatible chat-completions endpoint; answers are made offline when empty.
    QUrl llmUrl;
    QString llmKey;
    QString llmModel;
};
