#pragma once

#include <QByteArray>
#include <QStringList>

#include <nlohmann/json.hpp>

// Everything on standard input, read to its end.
QByteArray readStandardInput();

// One JSON document on one line of standard output; doubles in shortest round-trip form.
void printJson(const nlohmann::ordered_json &document);

// Fails with a usage message unless exactly `count` arguments were given.
void requireArgumentCount(const QStringList &arguments, qsizetype count, const char *usage);
