#include "SettingsEnums.h"

namespace {
template<typename Enum, std::size_t N>
std::optional<Enum> fromRawValue(const std::array<Enum, N> &cases, const QString &raw)
{
    for (Enum value : cases) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}
} // namespace

QString rawValue(AppThemePreference value)
{
    switch (value) {
    case AppThemePreference::system:
        return QStringLiteral("system");
    case AppThemePreference::light:
        return QStringLiteral("light");
    case AppThemePreference::dark:
        return QStringLiteral("dark");
    }
    return {};
}

QString rawValue(OverlayPanelSizePreset value)
{
    switch (value) {
    case OverlayPanelSizePreset::compact:
        return QStringLiteral("compact");
    case OverlayPanelSizePreset::small:
        return QStringLiteral("small");
    case OverlayPanelSizePreset::medium:
        return QStringLiteral("medium");
    case OverlayPanelSizePreset::large:
        return QStringLiteral("large");
    case OverlayPanelSizePreset::extraLarge:
        return QStringLiteral("extraLarge");
    }
    return {};
}

QString rawValue(AppLanguagePreference value)
{
    switch (value) {
    case AppLanguagePreference::automatic:
        return QStringLiteral("auto");
    case AppLanguagePreference::english:
        return QStringLiteral("english");
    case AppLanguagePreference::simplifiedChinese:
        return QStringLiteral("simplifiedChinese");
    case AppLanguagePreference::traditionalChinese:
        return QStringLiteral("traditionalChinese");
    case AppLanguagePreference::japanese:
        return QStringLiteral("japanese");
    case AppLanguagePreference::korean:
        return QStringLiteral("korean");
    case AppLanguagePreference::spanish:
        return QStringLiteral("spanish");
    case AppLanguagePreference::french:
        return QStringLiteral("french");
    case AppLanguagePreference::german:
        return QStringLiteral("german");
    }
    return {};
}

std::optional<AppThemePreference> appThemePreferenceFromRawValue(const QString &raw)
{
    return fromRawValue(allAppThemePreferences, raw);
}

std::optional<OverlayPanelSizePreset> overlayPanelSizePresetFromRawValue(const QString &raw)
{
    return fromRawValue(allOverlayPanelSizePresets, raw);
}

std::optional<AppLanguagePreference> appLanguagePreferenceFromRawValue(const QString &raw)
{
    return fromRawValue(allAppLanguagePreferences, raw);
}

std::optional<QString> responseInstructionLanguage(AppLanguagePreference value)
{
    switch (value) {
    case AppLanguagePreference::automatic:
        return std::nullopt;
    case AppLanguagePreference::english:
        return QStringLiteral("English");
    case AppLanguagePreference::simplifiedChinese:
        return QStringLiteral("Simplified Chinese");
    case AppLanguagePreference::traditionalChinese:
        return QStringLiteral("Traditional Chinese");
    case AppLanguagePreference::japanese:
        return QStringLiteral("Japanese");
    case AppLanguagePreference::korean:
        return QStringLiteral("Korean");
    case AppLanguagePreference::spanish:
        return QStringLiteral("Spanish");
    case AppLanguagePreference::french:
        return QStringLiteral("French");
    case AppLanguagePreference::german:
        return QStringLiteral("German");
    }
    return std::nullopt;
}
