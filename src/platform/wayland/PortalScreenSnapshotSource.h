#pragma once

#include "capture/ScreenSnapshotSource.h"

#include <QDBusConnection>
#include <QRect>

#include <chrono>

// Frozen pictures on Wayland, where a client cannot read the screen itself: one non-interactive
// Screenshot portal call pictures the whole desktop, which is cut per screen. The file the portal
// writes is read and removed. A refusal is screenRecordingPermissionDenied; no portal, no answer
// or an unreadable picture is shareableContentFailed with the reason.
class PortalScreenSnapshotSource : public ScreenSnapshotSource
{
public:
    static inline const QString interfaceName = QStringLiteral("org.freedesktop.portal.Screenshot");

    explicit PortalScreenSnapshotSource(QDBusConnection bus = QDBusConnection::sessionBus(),
                                        std::chrono::milliseconds answerTimeout = std::chrono::minutes(1));

    QCoro::Task<QList<QImage>> freezeScreens(QList<QScreen *> screens) override;

    struct ScreenArea
    {
        QRect geometry; // device-independent pixels, as QScreen::geometry()
        qreal devicePixelRatio = 1;
    };
    // Cuts the picture of the whole desktop (covering the union of the areas, at any scale) into
    // one picture per area, each at its area's device pixel ratio.
    static QList<QImage> cutPerScreen(const QImage &desktop, const QList<ScreenArea> &areas);

private:
    QCoro::Task<QImage> takeDesktopPicture() const;

    QDBusConnection m_bus;
    std::chrono::milliseconds m_answerTimeout;
};
