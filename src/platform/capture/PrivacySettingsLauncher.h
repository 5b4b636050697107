#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The desktop's privacy settings, where one is known for the running desktop.
class PrivacySettingsLauncher
{
public:
    // The program and arguments for a desktop named as in XDG_CURRENT_DESKTOP ("GNOME",
    // "ubuntu:GNOME"), or none when this desktop has no known privacy page (KDE has none).
    static std::optional<QStringList> commandForDesktop(const QString &currentDesktop);
    // Fire and forget; does nothing when no command is known or it cannot start.
    static void open();
};
