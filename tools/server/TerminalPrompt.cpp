#include "TerminalPrompt.h"

#include <QFile>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

QByteArray firstLine(QFile &file)
{
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

// One line typed on the terminal, with echo off for secrets; echo comes back even when reading fails.
QByteArray typed(const char *prompt, bool secret = true)
{
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    termios saved = {};
    const bool echoOff = secret && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (echoOff) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QFile input;
    QByteArray line;
    if (input.open(stdin, QIODevice::ReadOnly))
        line = firstLine(input);
    if (echoOff) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    return line;
}

} // namespace

namespace TerminalPrompt {

std::variant<QByteArray, QString> newPassphrase(const QString &file)
{
    QByteArray passphrase;
    if (!file.isEmpty()) {
        QFile source(file);
        if (!source.open(QIODevice::ReadOnly))
            return QStringLiteral("Cannot read %1: %2").arg(file, source.errorString());
        passphrase = firstLine(source);
    } else if (::isatty(STDIN_FILENO)) {
        passphrase = typed("New passphrase: ");
        if (typed("The same passphrase again: ") != passphrase)
            return QStringLiteral("The two passphrases differ.");
    } else {
        QFile input;
        if (input.open(stdin, QIODevice::ReadOnly))
            passphrase = firstLine(input);
    }
    if (QString::fromUtf8(passphrase).size() < minimumLength)
        return QStringLiteral("Choose a passphrase of at least %1 characters.").arg(minimumLength);
    return passphrase;
}

QString answer(const char *question)
{
    if (!::isatty(STDIN_FILENO))
        return {};
    return QString::fromUtf8(typed(question, false)).trimmed();
}

} // namespace TerminalPrompt
