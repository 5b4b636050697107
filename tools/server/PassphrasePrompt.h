#pragma once

#include <QByteArray>
#include <QString>

#include <variant>

// Where a new passphrase comes from: the first line of a file, a typed one (not echoed, asked
// twice) on a terminal, or the first line of standard input otherwise.
namespace PassphrasePrompt {

constexpr qsizetype minimumLength = 8;

// The passphrase, or why there is none usable.
std::variant<QByteArray, QString> newPassphrase(const QString &file);

} // namespace PassphrasePrompt
