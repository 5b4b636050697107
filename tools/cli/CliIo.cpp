#include "CliIo.h"

#include "support/OrvantaError.h"

#include <cstdio>
#include <iostream>

QByteArray readStandardInput()
{
    QByteArray input;
    char chunk[65536];
    std::size_t read = 0;
    while ((read = std::fread(chunk, 1, sizeof chunk, stdin)) > 0)
        input.append(chunk, static_cast<qsizetype>(read));
    return input;
}

void printJson(const nlohmann::ordered_json &document)
{
    // Replace, not throw, should a recognised text carry invalid UTF-8.
    std::cout << document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    std::cout.flush();
}

void requireArgumentCount(const QStringList &arguments, qsizetype count, const char *usage)
{
    if (arguments.size() != count)
        throw LibraryError(QStringLiteral("usage: orvanta-cli %1").arg(QLatin1String(usage)));
}
