#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

// One shortcut as the GlobalShortcuts portal speaks of it: (sa{sv}), an id and its properties
// ("description", "preferred_trigger"; "trigger_description" in answers).
struct PortalShortcut
{
    QString id;
    QVariantMap properties;

    // Registers the D-Bus type once; call before sending or receiving shortcuts.
    static void registerType();
};

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut);

Q_DECLARE_METATYPE(PortalShortcut)
