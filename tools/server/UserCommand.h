#pragma once

#include <QString>
#include <QStringList>

class ServerDatabase;

// orvanta-server user add|revoke|remove|list: the people who may sign in. Returns the exit status.
namespace UserCommand {

// A name users type on the sign-in page and the application sees as their ID.
bool isUsableName(const QString &name);
// Adds a user with a passphrase from passphraseFile (or the terminal); false with a message on stderr.
bool add(ServerDatabase &database, const QString &name, const QString &passphraseFile);
int run(ServerDatabase &database, const QStringList &arguments, const QString &passphraseFile);

} // namespace UserCommand
