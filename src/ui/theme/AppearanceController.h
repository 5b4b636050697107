#pragma once

#include "settings/SettingsEnums.h"

#include <QObject>
#include <QPalette>

#include <optional>

class DesktopColorScheme;
class DeveloperSettingsStore;

// Applies the theme setting to every window of the application: "system" follows the desktop
// (its stated light/dark preference when it states one, at run time, else its own palette),
// "light" and "dark" force a light or dark palette. A palette counts as dark when its window
// colour is dark.
class AppearanceController : public QObject
{
    Q_OBJECT
public:
    explicit AppearanceController(DeveloperSettingsStore &settings, DesktopColorScheme *desktopScheme = nullptr,
                                  QObject *parent = nullptr);

    static bool isDark(const QPalette &palette);
    static QPalette lightPalette();
    static QPalette darkPalette();
    // The palette a theme gives, `system` being the desktop's palette and its stated preference.
    static QPalette paletteFor(AppThemePreference theme, const QPalette &system,
                               std::optional<bool> desktopPrefersDark = std::nullopt);

    void apply(AppThemePreference theme);
    // The desktop's palette as it was before any theme was forced.
    const QPalette &systemPalette() const { return m_systemPalette; }

Q_SIGNALS:
    void applied(AppThemePreference theme);

private:
    DeveloperSettingsStore &m_settings;
    DesktopColorScheme *m_desktopScheme;
    QPalette m_systemPalette;
};
