#include "PrivacySettingsLauncher.h"

#include <QLoggingCategory>
#include <QProcess>

Q_LOGGING_CATEGORY(lcPrivacySettings, "orvanta.capture.permission")

std::optional<QStringList> PrivacySettingsLauncher::commandForDesktop(const QString &currentDesktop)
{
    const QStringList desktops = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    // Only GNOME has a privacy page for screen content; KDE's screen-locking module is not one.
    for (const QString &desktop : desktops) {
        if (desktop.compare(QStringLiteral("GNOME"), Qt::CaseInsensitive) == 0)
            return QStringList{QStringLiteral("gnome-control-center"), QStringLiteral("privacy")};
    }
    return std::nullopt;
}

void PrivacySettingsLauncher::open()
{
    const std::optional<QStringList> command = commandForDesktop(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    if (!command)
        return;
    if (!QProcess::startDetached(command->first(), command->mid(1)))
        qCWarning(lcPrivacySettings) << "Could not open the privacy settings with" << command->first();
}
