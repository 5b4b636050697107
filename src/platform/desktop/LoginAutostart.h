#pragma once

#include <QString>

#include <optional>

// "Start Orvanta at login": the user's XDG autostart entry, which the desktop runs at login to
// start Orvanta in the tray without its window. The entry itself is the setting, so a user who
// removes or disables it in the desktop's own startup settings sees that here too.
class LoginAutostart
{
public:
    // The option the entry starts Orvanta with.
    static inline const QString backgroundOption = QStringLiteral("--background");

    // <XDG config home>/autostart/com.orvanta.desktop.desktop
    static QString defaultEntryPath();

    // `program` is the orvanta executable the entry starts.
    explicit LoginAutostart(QString entryPath = defaultEntryPath(), QString program = {});

    // True while the entry exists and the desktop has not been told to skip it.
    bool isEnabled() const;
    // Writes (atomically) or removes the entry; on failure returns why, for the user.
    std::optional<QString> setEnabled(bool enabled);

    // The Exec= value that runs `program` with the background option, quoted as desktop entries
    // require.
    static QString execLine(const QString &program);

private:
    QString m_entryPath;
    QString m_program;
};
