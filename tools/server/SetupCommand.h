#pragma once

#include "ServerConfig.h"

#include <QString>

// orvanta-server setup: writes the configuration, adds the first user, installs and starts the
// systemd user unit, and points the user's Orvanta settings at the server.
namespace SetupCommand {

struct Choices
{
    ServerConfig config;
    QString configPath;
    QString userName;
    QString passphraseFile;
    // Whether to run systemctl; the unit is written either way.
    bool startService = true;
};

int run(const Choices &choices);

} // namespace SetupCommand
