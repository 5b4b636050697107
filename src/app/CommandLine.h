#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// What `orvanta` was asked to do on its command line.
struct CommandLine
{
    enum class Action { run, capture, help, version, invalid };

    Action action = Action::run;
    // Start in the tray without showing the main window (the login autostart entry does this).
    bool background = false;
    // The sign-in callback URL the desktop started us with, or empty.
    QUrl callbackURL;
    // For `invalid`: what was wrong, for standard error.
    QString error;

    // `arguments` includes the program name, as QCoreApplication::arguments() does.
    static CommandLine parse(const QStringList &arguments);
    static QString helpText();
    static QString versionText();
};
