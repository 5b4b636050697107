#pragma once

#include <QByteArray>
#include <QString>

#include <variant>

// What setup and the user commands ask the person at the terminal.
namespace TerminalPrompt {

constexpr qsizetype minimumLength = 8;

// A new passphrase: the first line of a file, a typed one (not echoed, asked twice) on a
// terminal, or the first line of standard input otherwise; or why there is none usable.
std::variant<QByteArray, QString> newPassphrase(const QString &file);
// One typed line after the question, trimmed; empty when standard input is not a terminal.
QString answer(const char *question);

} // namespace TerminalPrompt
