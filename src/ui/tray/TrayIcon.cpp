#include "TrayIcon.h"

#include "TrayMenu.h"
#include "brand/BrandMark.h"
#include "theme/AppearanceController.h"

#include <QLoggingCategory>
#include <QSystemTrayIcon>

Q_LOGGING_CATEGORY(lcTray, "orvanta.tray")

TrayIcon::TrayIcon(TrayMenu &menu, bool darkPanel, QObject *parent) : QObject(parent), m_icon(new QSystemTrayIcon(this))
{
    m_icon->setToolTip(QStringLiteral("Orvanta"));
    m_icon->setContextMenu(&menu);
    setDarkPanel(darkPanel);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            Q_EMIT activated();
    });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        qCInfo(lcTray) << "No system tray on this desktop; the main window and the shortcut stay available";
    m_icon->show();
}

void TrayIcon::setDarkPanel(bool darkPanel)
{
    m_icon->setIcon(BrandMark::trayIcon(darkPanel ? QColor(Qt::white) : QColor(0x1d, 0x1d, 0x1f)));
}

bool TrayIcon::panelIsDark(std::optional<bool> desktopPrefersDark, const QPalette &desktopPalette)
{
    return desktopPrefersDark.value_or(AppearanceController::isDark(desktopPalette));
}

bool TrayIcon::isShown() const
{
    return m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}
