#pragma once

#include "settings/SettingsEnums.h"

#include <QObject>
#include <QPalette>

class DeveloperSettingsStore;

// Applies the theme setting to every window of the application: "system" keeps the desktop's
// own palette, "light" and "dark" force a light or dark one. Qt 6.4 cannot ask the desktop for
// its colour scheme, so a palette counts as dark when its window colour is dark.
class AppearanceController : public QObject
{
    Q_OBJECT
public:
    explicit AppearanceController(DeveloperSettingsStore &settings, QObject *parent = nullptr);

    static bool isDark(const QPalette &palette);
    static QPalette lightPalette();
    static QPalette darkPalette();
    // The palette a theme gives, `system` being the desktop's palette.
    static QPalette paletteFor(AppThemePreference theme, const QPalette &system);

    void apply(AppThemePreference theme);
    // The desktop's palette as it was before any theme was forced.
    const QPalette &systemPalette() const { return m_systemPalette; }

Q_SIGNALS:
    void applied(AppThemePreference theme);

private:
    QPalette m_systemPalette;
};
