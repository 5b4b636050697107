#include "AppearanceController.h"

#include "desktop/DesktopColorScheme.h"
#include "settings/DeveloperSettingsStore.h"

#include <QApplication>

AppearanceController::AppearanceController(DeveloperSettingsStore &settings, DesktopColorScheme *desktopScheme,
                                           QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_desktopScheme(desktopScheme)
    , m_systemPalette(QApplication::palette())
{
    connect(&settings, &DeveloperSettingsStore::themePreferenceChanged, this, &AppearanceController::apply);
    if (m_desktopScheme) {
        connect(m_desktopScheme, &DesktopColorScheme::changed, this, [this] { apply(m_settings.themePreference()); });
    }
    apply(settings.themePreference());
}

bool AppearanceController::isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QPalette AppearanceController::lightPalette()
{
    QPalette palette(QColor(0xe9, 0xe9, 0xec), QColor(0xf5, 0xf5, 0xf7));
    palette.setColor(QPalette::WindowText, QColor(0x1d, 0x1d, 0x1f));
    palette.setColor(QPalette::Text, QColor(0x1d, 0x1d, 0x1f));
    palette.setColor(QPalette::ButtonText, QColor(0x1d, 0x1d, 0x1f));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0x6e, 0x6e, 0x73));
    palette.setColor(QPalette::Highlight, QColor(0x0a, 0x64, 0xd8));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

QPalette AppearanceController::darkPalette()
{
    QPalette palette(QColor(0x3a, 0x3b, 0x40), QColor(0x26, 0x27, 0x2b));
    palette.setColor(QPalette::WindowText, QColor(0xf2, 0xf2, 0xf4));
    palette.setColor(QPalette::Text, QColor(0xf2, 0xf2, 0xf4));
    palette.setColor(QPalette::ButtonText, QColor(0xf2, 0xf2, 0xf4));
    palette.setColor(QPalette::Base, QColor(0x1c, 0x1c, 0x1f));
    palette.setColor(QPalette::AlternateBase, QColor(0x2c, 0x2c, 0x30));
    palette.setColor(QPalette::PlaceholderText, QColor(0x98, 0x98, 0x9d));
    palette.setColor(QPalette::Highlight, QColor(0x2f, 0x7c, 0xf6));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x7a, 0x7a, 0x80));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x7a, 0x7a, 0x80));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x7a, 0x7a, 0x80));
    return palette;
}

QPalette AppearanceController::paletteFor(AppThemePreference theme, const QPalette &system,
                                          std::optional<bool> desktopPrefersDark)
{
    switch (theme) {
    case AppThemePreference::light:
        return lightPalette();
    case AppThemePreference::dark:
        return darkPalette();
    case AppThemePreference::system:
        break;
    }
    // The desktop's own palette as long as it agrees with the scheme the desktop states.
    if (desktopPrefersDark && *desktopPrefersDark != isDark(system))
        return *desktopPrefersDark ? darkPalette() : lightPalette();
    return system;
}

void AppearanceController::apply(AppThemePreference theme)
{
    // The application palette reaches every window, the tray menu included, at once.
    const std::optional<bool> prefersDark = m_desktopScheme ? m_desktopScheme->prefersDark() : std::nullopt;
    QApplication::setPalette(paletteFor(theme, m_systemPalette, prefersDark));
    Q_EMIT applied(theme);
}
