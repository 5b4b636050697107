#pragma once

#include <QObject>
#include <QPalette>

#include <optional>

class QSystemTrayIcon;
class TrayMenu;

// The brand mark in the system tray with the tray menu. The mark is light on a dark panel and
// dark on a light one; the panel follows the desktop's colour scheme (not the theme forced on
// Orvanta's windows). Without a system tray nothing is shown and the application keeps running
// for the shortcut.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    TrayIcon(TrayMenu &menu, bool darkPanel, QObject *parent = nullptr);

    bool isShown() const;
    void setDarkPanel(bool darkPanel);
    // Whether the panel behind the icon is dark: the desktop's stated preference, else the
    // darkness of its palette.
    static bool panelIsDark(std::optional<bool> desktopPrefersDark, const QPalette &desktopPalette);

Q_SIGNALS:
    // A left click: the desktop's usual way to bring the application forward.
    void activated();

private:
    QSystemTrayIcon *m_icon;
};
