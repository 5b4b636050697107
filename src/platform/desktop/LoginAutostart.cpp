#include "LoginAutostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
// Characters that make an Exec argument need quotes, and those that must be escaped inside them.
const QString reservedCharacters = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
const QString escapedInQuotes = QStringLiteral("\"`$\\");

QString quotedArgument(const QString &argument)
{
    QString quoted;
    bool needsQuotes = argument.isEmpty();
    for (const QChar character : argument) {
        needsQuotes = needsQuotes || reservedCharacters.contains(character);
        if (escapedInQuotes.contains(character))
            quoted += QLatin1Char('\\');
        // A literal percent sign is doubled, or the desktop would read a field code.
        quoted += character == QLatin1Char('%') ? QStringLiteral("%%") : QString(character);
    }
    return needsQuotes ? QLatin1Char('"') + quoted + QLatin1Char('"') : quoted;
}
} // namespace

QString LoginAutostart::defaultEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/com.orvanta.desktop.desktop");
}

LoginAutostart::LoginAutostart(QString entryPath, QString program)
    : m_entryPath(std::move(entryPath))
    , m_program(program.isEmpty() ? QCoreApplication::applicationFilePath() : std::move(program))
{}

bool LoginAutostart::isEnabled() const
{
    QFile entry(m_entryPath);
    if (!entry.open(QIODevice::ReadOnly))
        return false;
    while (!entry.atEnd()) {
        const QByteArray line = entry.readLine().trimmed();
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

QString LoginAutostart::execLine(const QString &program)
{
    // The string escape of the file format comes on top of the Exec quoting.
    QString value = quotedArgument(program);
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return value + QLatin1Char(' ') + backgroundOption;
}

std::optional<QString> LoginAutostart::setEnabled(bool enabled)
{
    if (!enabled) {
        if (!QFileInfo::exists(m_entryPath) || QFile::remove(m_entryPath))
            return std::nullopt;
        return QStringLiteral("Orvanta could not remove %1.").arg(QDir::toNativeSeparators(m_entryPath));
    }
    const QString failure = QStringLiteral("Orvanta could not write %1.").arg(QDir::toNativeSeparators(m_entryPath));
    if (!QDir().mkpath(QFileInfo(m_entryPath).path()))
        return failure;
    QSaveFile entry(m_entryPath);
    if (!entry.open(QIODevice::WriteOnly))
        return failure;
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Orvanta\n"
                                        "Comment=Ask about anything on your screen\n"
                                        "Exec=%1\n"
                                        "Icon=com.orvanta.desktop\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(execLine(m_program));
    entry.write(text.toUtf8());
    if (!entry.commit())
        return failure;
    return std::nullopt;
}
