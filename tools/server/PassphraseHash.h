#pragma once

#include <QByteArray>

// Passphrases are kept as libsodium's Argon2id strings (salt and cost inside), hard enough in
// memory and time that a copied database does not give the passphrases away. Both calls take a
// noticeable fraction of a second: keep them off the event loop while serving.
namespace PassphraseHash {

// Empty when libsodium cannot work (no memory).
QByteArray make(const QByteArray &passphrase);
bool matches(const QByteArray &stored, const QByteArray &passphrase);

} // namespace PassphraseHash
