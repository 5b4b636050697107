#include "TrayIcon.h"

#include "TrayMenu.h"
#include "brand/BrandMark.h"

#include <QLoggingCategory>
#include <QSystemTrayIcon>

Q_LOGGING_CATEGORY(lcTray, "orvanta.tray")

TrayIcon::TrayIcon(TrayMenu &menu, bool darkPanel, QObject *parent) : QObject(parent), m_icon(new QSystemTrayIcon(this))
{
    m_icon->setToolTip(QStringLiteral("Orvanta"));
    m_icon->setContextMenu(&menu);
    m_icon->setIcon(BrandMark::trayIcon(darkPanel ? QColor(Qt::white) : QColor(0x1d, 0x1d, 0x1f)));
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            Q_EMIT activated();
    });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        qCInfo(lcTray) << "No system tray on this desktop; the main window and the shortcut stay available";
    m_icon->show();
}

bool TrayIcon::isShown() const
{
    return m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}
