#pragma once

#include <QString>

#include <array>
#include <optional>

// Enumerations of the settings store. Each raw value is its case name; cases are listed in
// declaration order.
enum class AppThemePreference { system, light, dark };
enum class OverlayPanelSizePreset { compact, small, medium, large, extraLarge };
enum class AppLanguagePreference {
    automatic, // raw value "auto"
    english,
    simplifiedChinese,
    traditionalChinese,
    japanese,
    korean,
    spanish,
    french,
    german
};

inline constexpr std::array<AppThemePreference, 3> allAppThemePreferences{
    AppThemePreference::system, AppThemePreference::light, AppThemePreference::dark};
inline constexpr std::array<OverlayPanelSizePreset, 5> allOverlayPanelSizePresets{
    OverlayPanelSizePreset::compact, OverlayPanelSizePreset::small, OverlayPanelSizePreset::medium,
    OverlayPanelSizePreset::large, OverlayPanelSizePreset::extraLarge};
inline constexpr std::array<AppLanguagePreference, 9> allAppLanguagePreferences{
    AppLanguagePreference::automatic,
    AppLanguagePreference::english,
    AppLanguagePreference::simplifiedChinese,
    AppLanguagePreference::traditionalChinese,
    AppLanguagePreference::japanese,
    AppLanguagePreference::korean,
    AppLanguagePreference::spanish,
    AppLanguagePreference::french,
    AppLanguagePreference::german};

QString rawValue(AppThemePreference value);
QString rawValue(OverlayPanelSizePreset value);
QString rawValue(AppLanguagePreference value);

// Exact, case-sensitive matches of the raw values; anything else is none.
std::optional<AppThemePreference> appThemePreferenceFromRawValue(const QString &raw);
std::optional<OverlayPanelSizePreset> overlayPanelSizePresetFromRawValue(const QString &raw);
std::optional<AppLanguagePreference> appLanguagePreferenceFromRawValue(const QString &raw);

// The language answers are asked to use, or none for "auto".
std::optional<QString> responseInstructionLanguage(AppLanguagePreference value);
