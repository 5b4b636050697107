#include "UserCommand.h"

#include "PassphraseHash.h"
#include "ServerDatabase.h"
#include "TerminalPrompt.h"

#include <QRegularExpression>

#include <cstdio>

namespace {

void say(const QString &text)
{
    std::fprintf(stderr, "orvanta-server: %s\n", qUtf8Printable(text));
}

const QString usage = QStringLiteral("usage: orvanta-server user add NAME | revoke NAME | remove NAME | list");

} // namespace

namespace UserCommand {

bool isUsableName(const QString &name)
{
    static const QRegularExpression shape(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]{0,63}$"));
    return shape.match(name).hasMatch();
}

bool add(ServerDatabase &database, const QString &name, const QString &passphraseFile)
{
    if (database.passphraseHash(name)) {
        say(QStringLiteral("%1 is already a user; remove them first to set a new passphrase.").arg(name));
        return false;
    }
    const auto passphrase = TerminalPrompt::newPassphrase(passphraseFile);
    if (const auto *problem = std::get_if<QString>(&passphrase)) {
        say(*problem);
        return false;
    }
    const QByteArray hash = PassphraseHash::make(std::get<QByteArray>(passphrase));
    if (hash.isEmpty()) {
        say(QStringLiteral("The passphrase could not be hashed (out of memory?)."));
        return false;
    }
    if (database.addUser(name, hash) != ServerDatabase::UserChange::Done) {
        say(QStringLiteral("%1 is already a user.").arg(name));
        return false;
    }
    say(QStringLiteral("Added %1.").arg(name));
    return true;
}

int run(ServerDatabase &database, const QStringList &arguments, const QString &passphraseFile)
{
    const QString action = arguments.value(0);
    if (action == QStringLiteral("list") && arguments.size() == 1) {
        for (const QString &name : database.userNames())
            std::printf("%s\n", qUtf8Printable(name));
        return 0;
    }
    const QString name = arguments.value(1);
    if (arguments.size() != 2 || !isUsableName(name)) {
        say(arguments.size() == 2 ? QStringLiteral("A user name is 1 to 64 letters, digits, '.', '_' or '-'.") : usage);
        return 2;
    }
    if (action == QStringLiteral("add"))
        return add(database, name, passphraseFile) ? 0 : 1;
    using Change = ServerDatabase::UserChange;
    Change change;
    if (action == QStringLiteral("revoke"))
        change = database.revokeSessions(name);
    else if (action == QStringLiteral("remove"))
        change = database.removeUser(name);
    else {
        say(usage);
        return 2;
    }
    if (change == Change::NoSuchUser) {
        say(QStringLiteral("%1 is not a user.").arg(name));
        return 1;
    }
    say(action == QStringLiteral("revoke") ? QStringLiteral("Signed %1 out everywhere.").arg(name)
                                           : QStringLiteral("Removed %1 and signed them out.").arg(name));
    return 0;
}

} // namespace UserCommand
