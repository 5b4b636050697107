#pragma once

#include <QDBusVariant>
#include <QObject>

#include <optional>

// The desktop's light/dark preference as the freedesktop appearance setting states it
// (org.freedesktop.portal.Settings, "org.freedesktop.appearance" "color-scheme"), followed at run
// time. None when the desktop states no preference or offers no settings portal.
class DesktopColorScheme : public QObject
{
    Q_OBJECT
public:
    enum class Scheme { noPreference = 0, dark = 1, light = 2 };

    explicit DesktopColorScheme(QObject *parent = nullptr);

    // True for dark, false for light, none when unknown.
    std::optional<bool> prefersDark() const { return m_prefersDark; }
    // The portal's value (0 no preference, 1 dark, 2 light) as a preference.
    static std::optional<bool> prefersDarkFromValue(uint value);

Q_SIGNALS:
    void changed();

private Q_SLOTS:
    void settingChanged(const QString &group, const QString &key, const QDBusVariant &value);

private:
    void setValue(uint value);

    std::optional<bool> m_prefersDark;
};
