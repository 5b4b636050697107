#pragma once

#include <QObject>
#include <QPalette>

#include <optional>

class QImage;
class QSystemTrayIcon;
class TrayMenu;

// The brand mark in the system tray with the tray menu. The mark is light on a dark panel and
// dark on a light one. The panel's darkness is the desktop's stated colour scheme, else what the
// panel's own pixels beside the icon show (XEmbed trays on X11), else the desktop's palette; never
// the theme forced on Orvanta's windows. Without a system tray nothing is shown and the
// application keeps running for the shortcut.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    TrayIcon(TrayMenu &menu, const QPalette &desktopPalette, QObject *parent = nullptr);

    bool isShown() const;
    bool showsMarkForDarkPanel() const { return m_darkMark; }
    // The desktop's stated light/dark preference changed (none: it states none).
    void setDesktopPrefersDark(std::optional<bool> prefersDark);

    static bool panelIsDark(std::optional<bool> desktopPrefersDark, std::optional<bool> sampledPanelIsDark,
                            const QPalette &desktopPalette);
    // Whether the pixels within `ring` of the picture's edges are mostly dark; none for no picture.
    static std::optional<bool> ringIsDark(const QImage &picture, int ring);

Q_SIGNALS:
    // A left click: the desktop's usual way to bring the application forward.
    void activated();

private:
    void samplePanel();
    void updateMark();

    QSystemTrayIcon *m_icon;
    QPalette m_desktopPalette;
    std::optional<bool> m_desktopPrefersDark;
    std::optional<bool> m_sampledPanelIsDark;
    bool m_darkMark = false;
};
