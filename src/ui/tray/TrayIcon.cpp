#include "TrayIcon.h"

#include "TrayMenu.h"
#include "brand/BrandMark.h"
#include "theme/AppearanceController.h"

#include <QGuiApplication>
#include <QImage>
#include <QLoggingCategory>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

Q_LOGGING_CATEGORY(lcTray, "orvanta.tray")

namespace {
// The tray host places the icon some time after it is shown.
constexpr int sampleDelayMilliseconds = 1500;
constexpr int sampledRing = 3;
} // namespace

TrayIcon::TrayIcon(TrayMenu &menu, const QPalette &desktopPalette, QObject *parent)
    : QObject(parent)
    , m_icon(new QSystemTrayIcon(this))
    , m_desktopPalette(desktopPalette)
{
    m_icon->setToolTip(QStringLiteral("Orvanta"));
    m_icon->setContextMenu(&menu);
    updateMark();
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            Q_EMIT activated();
    });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        qCInfo(lcTray) << "No system tray on this desktop; the main window and the shortcut stay available";
    m_icon->show();
    QTimer::singleShot(sampleDelayMilliseconds, this, &TrayIcon::samplePanel);
}

bool TrayIcon::isShown() const
{
    return m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::setDesktopPrefersDark(std::optional<bool> prefersDark)
{
    m_desktopPrefersDark = prefersDark;
    updateMark();
}

bool TrayIcon::panelIsDark(std::optional<bool> desktopPrefersDark, std::optional<bool> sampledPanelIsDark,
                           const QPalette &desktopPalette)
{
    return desktopPrefersDark.value_or(sampledPanelIsDark.value_or(AppearanceController::isDark(desktopPalette)));
}

std::optional<bool> TrayIcon::ringIsDark(const QImage &picture, int ring)
{
    if (picture.isNull() || picture.width() <= 2 * ring || picture.height() <= 2 * ring)
        return std::nullopt;
    const QRect inner = picture.rect().adjusted(ring, ring, -ring, -ring);
    qint64 dark = 0;
    qint64 counted = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (inner.contains(x, y))
                continue;
            ++counted;
            if (picture.pixelColor(x, y).lightnessF() < 0.5)
                ++dark;
        }
    }
    return 2 * dark > counted;
}

void TrayIcon::samplePanel()
{
    // Only an icon the tray host placed on screen has a panel beside it to look at (not so for
    // menus and icons exported over D-Bus, where the geometry stays empty).
    const QRect icon = m_icon->geometry();
    QScreen *screen = icon.isEmpty() ? nullptr : QGuiApplication::screenAt(icon.center());
    if (!screen)
        return;
    const QRect around =
        icon.adjusted(-sampledRing, -sampledRing, sampledRing, sampledRing).translated(-screen->geometry().topLeft());
    m_sampledPanelIsDark = ringIsDark(
        screen->grabWindow(0, around.x(), around.y(), around.width(), around.height()).toImage(), sampledRing);
    updateMark();
}

void TrayIcon::updateMark()
{
    m_darkMark = panelIsDark(m_desktopPrefersDark, m_sampledPanelIsDark, m_desktopPalette);
    m_icon->setIcon(BrandMark::trayIcon(m_darkMark ? QColor(Qt::white) : QColor(0x1d, 0x1d, 0x1f)));
}
