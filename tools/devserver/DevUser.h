#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A development account. Every name maps to the same account on every run, so stored presets
// stay with their user across restarts.
struct DevUser
{
    QString subject;
    QString email;
    QString name;

    static DevUser defaultUser();
    // The account for a dev_user name; none for an empty, over-long or control-character name.
    static std::optional<DevUser> named(const QString &userName);
    // The names offered on the account picker.
    static QStringList offeredNames();
};
