#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <optional>

// The capture shortcut as stored: a virtual key code of the original key table and the hot-key
// modifier flags. On Linux, Command means Ctrl, Option Alt, Control Super, Shift Shift.
struct CaptureHotKeyShortcut
{
    static constexpr quint32 commandFlag = 0x100;
    static constexpr quint32 shiftFlag = 0x200;
    static constexpr quint32 optionFlag = 0x800;
    static constexpr quint32 controlFlag = 0x1000;

    quint32 keyCode = 0;
    quint32 modifiers = commandFlag | shiftFlag;

    // What Linux users see: the keys in the order Ctrl, Alt, Shift, Super, then the key.
    QStringList displayKeys() const;
    // "Ctrl+Shift+A".
    QString displayString() const;
    // "Ctrl + Shift + A", the tray menu's caption form.
    QString spacedDisplayString() const;
    // A usable shortcut has at least one modifier.
    bool isValid() const { return modifiers != 0; }

    // The key's name from the key table, or none.
    static std::optional<QString> keyName(quint32 keyCode);
    // The stored key code of a Qt key (Qt::Key_A ...), or none when the key is not in the table.
    static std::optional<quint32> keyCodeForQtKey(int qtKey);
    // The Qt key of a stored key code, or none.
    static std::optional<int> qtKeyForKeyCode(quint32 keyCode);
    // Flags of Qt keyboard modifiers (Qt::ControlModifier ...), and back.
    static quint32 modifiersForQtModifiers(int qtModifiers);
    static int qtModifiersForModifiers(quint32 modifiers);

    // The stored form: UTF-8 JSON {"keyCode": n, "modifiers": n}.
    QByteArray toJson() const;
    static std::optional<CaptureHotKeyShortcut> fromJson(const QByteArray &json);

    bool operator==(const CaptureHotKeyShortcut &) const = default;
};

Q_DECLARE_METATYPE(CaptureHotKeyShortcut)
