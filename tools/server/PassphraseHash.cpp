#include "PassphraseHash.h"

#include <sodium.h>

namespace PassphraseHash {

QByteArray make(const QByteArray &passphrase)
{
    char stored[crypto_pwhash_STRBYTES];
    if (sodium_init() < 0 ||
        crypto_pwhash_str(stored, passphrase.constData(), static_cast<unsigned long long>(passphrase.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return {};
    return QByteArray(stored);
}

bool matches(const QByteArray &stored, const QByteArray &passphrase)
{
    if (sodium_init() < 0 || stored.isEmpty() || stored.size() >= crypto_pwhash_STRBYTES)
        return false;
    return crypto_pwhash_str_verify(stored.constData(), passphrase.constData(),
                                    static_cast<unsigned long long>(passphrase.size())) == 0;
}

} // namespace PassphraseHash
