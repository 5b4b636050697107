#include "DesktopColorScheme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>

namespace {
const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.Settings");
const QString group = QStringLiteral("org.freedesktop.appearance");
const QString key = QStringLiteral("color-scheme");
// The portal answers at once or not at all; a desktop without one must not slow the start.
constexpr int readTimeoutMilliseconds = 500;

// Read() wraps the value in a second variant on older portals.
uint unwrap(QVariant value)
{
    while (value.canConvert<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value.toUInt();
}
} // namespace

DesktopColorScheme::DesktopColorScheme(QObject *parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(service, path, interface, QStringLiteral("SettingChanged"), this,
                SLOT(settingChanged(QString, QString, QDBusVariant)));
    QDBusMessage read = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Read"));
    read << group << key;
    const QDBusMessage reply = bus.call(read, QDBus::Block, readTimeoutMilliseconds);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        m_prefersDark = prefersDarkFromValue(unwrap(reply.arguments().first()));
}

std::optional<bool> DesktopColorScheme::prefersDarkFromValue(uint value)
{
    switch (static_cast<Scheme>(value)) {
    case Scheme::dark:
        return true;
    case Scheme::light:
        return false;
    case Scheme::noPreference:
        break;
    }
    return std::nullopt;
}

void DesktopColorScheme::settingChanged(const QString &changedGroup, const QString &changedKey,
                                        const QDBusVariant &value)
{
    if (changedGroup == group && changedKey == key)
        setValue(unwrap(value.variant()));
}

void DesktopColorScheme::setValue(uint value)
{
    const std::optional<bool> prefersDark = prefersDarkFromValue(value);
    if (prefersDark == m_prefersDark)
        return;
    m_prefersDark = prefersDark;
    Q_EMIT changed();
}
