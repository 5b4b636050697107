#include "CaptureHotKeyShortcut.h"

#include <nlohmann/json.hpp>

#include <Qt>
#include <array>
#include <limits>

namespace {
struct KeyEntry
{
    quint32 keyCode;
    const char *name;
    int qtKey;
};

// The original platform's ANSI virtual key codes: letters, digits and Space.
constexpr std::array<KeyEntry, 37> keyTable{{
    {0, "A", Qt::Key_A},          {11, "B", Qt::Key_B}, {8, "C", Qt::Key_C},  {2, "D", Qt::Key_D},
    {14, "E", Qt::Key_E},         {3, "F", Qt::Key_F},  {5, "G", Qt::Key_G},  {4, "H", Qt::Key_H},
    {34, "I", Qt::Key_I},         {38, "J", Qt::Key_J}, {40, "K", Qt::Key_K}, {37, "L", Qt::Key_L},
    {46, "M", Qt::Key_M},         {45, "N", Qt::Key_N}, {31, "O", Qt::Key_O}, {35, "P", Qt::Key_P},
    {12, "Q", Qt::Key_Q},         {15, "R", Qt::Key_R}, {1, "S", Qt::Key_S},  {17, "T", Qt::Key_T},
    {32, "U", Qt::Key_U},         {9, "V", Qt::Key_V},  {13, "W", Qt::Key_W}, {7, "X", Qt::Key_X},
    {16, "Y", Qt::Key_Y},         {6, "Z", Qt::Key_Z},  {18, "1", Qt::Key_1}, {19, "2", Qt::Key_2},
    {20, "3", Qt::Key_3},         {21, "4", Qt::Key_4}, {23, "5", Qt::Key_5}, {22, "6", Qt::Key_6},
    {26, "7", Qt::Key_7},         {28, "8", Qt::Key_8}, {25, "9", Qt::Key_9}, {29, "0", Qt::Key_0},
    {49, "Space", Qt::Key_Space},
}};

const char *const keyCodeKey = "keyCode";
const char *const modifiersKey = "modifiers";

std::optional<quint32> unsigned32(const nlohmann::json &value)
{
    if (value.is_number_unsigned() || value.is_number_integer()) {
        const auto number = value.get<long long>();
        if (number >= 0 && number <= std::numeric_limits<quint32>::max())
            return static_cast<quint32>(number);
        return std::nullopt;
    }
    if (value.is_number_float()) {
        const double number = value.get<double>();
        if (number >= 0 && number <= std::numeric_limits<quint32>::max() && number == static_cast<quint32>(number))
            return static_cast<quint32>(number);
    }
    return std::nullopt;
}
} // namespace

std::optional<QString> CaptureHotKeyShortcut::keyName(quint32 keyCode)
{
    for (const KeyEntry &entry : keyTable) {
        if (entry.keyCode == keyCode)
            return QString::fromLatin1(entry.name);
    }
    return std::nullopt;
}

std::optional<quint32> CaptureHotKeyShortcut::keyCodeForQtKey(int qtKey)
{
    for (const KeyEntry &entry : keyTable) {
        if (entry.qtKey == qtKey)
            return entry.keyCode;
    }
    return std::nullopt;
}

std::optional<int> CaptureHotKeyShortcut::qtKeyForKeyCode(quint32 keyCode)
{
    for (const KeyEntry &entry : keyTable) {
        if (entry.keyCode == keyCode)
            return entry.qtKey;
    }
    return std::nullopt;
}

quint32 CaptureHotKeyShortcut::modifiersForQtModifiers(int qtModifiers)
{
    quint32 flags = 0;
    if (qtModifiers & Qt::ControlModifier)
        flags |= commandFlag;
    if (qtModifiers & Qt::AltModifier)
        flags |= optionFlag;
    if (qtModifiers & Qt::ShiftModifier)
        flags |= shiftFlag;
    if (qtModifiers & Qt::MetaModifier)
        flags |= controlFlag;
    return flags;
}

int CaptureHotKeyShortcut::qtModifiersForModifiers(quint32 modifiers)
{
    int qtModifiers = Qt::NoModifier;
    if (modifiers & commandFlag)
        qtModifiers |= Qt::ControlModifier;
    if (modifiers & optionFlag)
        qtModifiers |= Qt::AltModifier;
    if (modifiers & shiftFlag)
        qtModifiers |= Qt::ShiftModifier;
    if (modifiers & controlFlag)
        qtModifiers |= Qt::MetaModifier;
    return qtModifiers;
}

QStringList CaptureHotKeyShortcut::displayKeys() const
{
    QStringList keys;
    if (modifiers & commandFlag)
        keys << QStringLiteral("Ctrl");
    if (modifiers & optionFlag)
        keys << QStringLiteral("Alt");
    if (modifiers & shiftFlag)
        keys << QStringLiteral("Shift");
    if (modifiers & controlFlag)
        keys << QStringLiteral("Super");
    keys << keyName(keyCode).value_or(QStringLiteral("?"));
    return keys;
}

QString CaptureHotKeyShortcut::displayString() const
{
    return displayKeys().join(QLatin1Char('+'));
}

QString CaptureHotKeyShortcut::spacedDisplayString() const
{
    return displayKeys().join(QStringLiteral(" + "));
}

QByteArray CaptureHotKeyShortcut::toJson() const
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json[keyCodeKey] = keyCode;
    json[modifiersKey] = modifiers;
    return QByteArray::fromStdString(json.dump());
}

std::optional<CaptureHotKeyShortcut> CaptureHotKeyShortcut::fromJson(const QByteArray &data)
{
    const nlohmann::json json = nlohmann::json::parse(data.begin(), data.end(), nullptr, false);
    if (!json.is_object() || !json.contains(keyCodeKey) || !json.contains(modifiersKey))
        return std::nullopt;
    const auto keyCode = unsigned32(json[keyCodeKey]);
    const auto modifiers = unsigned32(json[modifiersKey]);
    if (!keyCode || !modifiers)
        return std::nullopt;
    return CaptureHotKeyShortcut{*keyCode, *modifiers};
}
