#include "PortalScreenSnapshotSource.h"

#include "PortalRequest.h"
#include "capture/CaptureError.h"

#include <QFile>
#include <QScreen>
#include <QUrl>

namespace {
const QString noPortal = QStringLiteral("This desktop offers no screenshot service: install xdg-desktop-portal "
                                        "and the portal backend for your desktop, then try again.");
const QString noAnswer = QStringLiteral("The desktop did not answer the screenshot request.");
const QString notTaken = QStringLiteral("The desktop could not take a screenshot.");
const QString unreadable = QStringLiteral("The screenshot the desktop took could not be read.");
} // namespace

PortalScreenSnapshotSource::PortalScreenSnapshotSource(QDBusConnection bus, std::chrono::milliseconds answerTimeout)
    : m_bus(std::move(bus))
    , m_answerTimeout(answerTimeout)
{}

QCoro::Task<QList<QImage>> PortalScreenSnapshotSource::freezeScreens(QList<QScreen *> screens)
{
    // Read the screens now: one may go away while the portal works.
    QList<ScreenArea> areas;
    for (const QScreen *screen : std::as_const(screens))
        areas.append({screen->geometry(), screen->devicePixelRatio()});
    QCoro::Task<QImage> taking = takeDesktopPicture();
    const QImage desktop = co_await taking;
    co_return cutPerScreen(desktop, areas);
}

QCoro::Task<QImage> PortalScreenSnapshotSource::takeDesktopPicture() const
{
    const QString token = PortalRequest::newToken();
    QDBusMessage call = QDBusMessage::createMethodCall(PortalRequest::service, PortalRequest::objectPath, interfaceName,
                                                       QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), false},
                        {QStringLiteral("modal"), false}};
    QCoro::Task<PortalReply> asking = PortalRequest::call(m_bus, call, token, m_answerTimeout);
    const PortalReply reply = co_await asking;
    switch (reply.outcome) {
    case PortalReply::Outcome::callFailed:
        throw CaptureError::shareableContentFailed(reply.portalMissing() ? noPortal : reply.error.message());
    case PortalReply::Outcome::timedOut:
        throw CaptureError::shareableContentFailed(noAnswer);
    case PortalReply::Outcome::answered:
        break;
    }
    if (reply.response == PortalReply::cancelled)
        throw CaptureError::screenRecordingPermissionDenied();
    if (reply.response != PortalReply::success)
        throw CaptureError::shareableContentFailed(notTaken);

    const QUrl uri(reply.results.value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile())
        throw CaptureError::shareableContentFailed(unreadable);
    // The picture was taken for us alone: it must not stay in the user's folders.
    const QString path = uri.toLocalFile();
    const QImage desktop(path);
    QFile::remove(path);
    if (desktop.isNull())
        throw CaptureError::shareableContentFailed(unreadable);
    co_return desktop;
}

QList<QImage> PortalScreenSnapshotSource::cutPerScreen(const QImage &desktop, const QList<ScreenArea> &areas)
{
    QRect bounds;
    for (const ScreenArea &area : areas)
        bounds |= area.geometry;
    QList<QImage> pictures;
    if (bounds.isEmpty())
        return pictures;
    // The portal pictures the desktop at a scale of its choosing (the largest of its outputs on
    // wlroots); areas outside every output are transparent and become black.
    const QImage opaque = desktop.convertToFormat(QImage::Format_RGB32);
    const qreal scaleX = qreal(opaque.width()) / bounds.width();
    const qreal scaleY = qreal(opaque.height()) / bounds.height();
    for (const ScreenArea &area : areas) {
        const QRect geometry = area.geometry.translated(-bounds.topLeft());
        const QRect source(qRound(geometry.x() * scaleX), qRound(geometry.y() * scaleY),
                           qRound(geometry.width() * scaleX), qRound(geometry.height() * scaleY));
        const QSize size(qRound(geometry.width() * area.devicePixelRatio),
                         qRound(geometry.height() * area.devicePixelRatio));
        QImage picture = opaque.copy(source);
        if (picture.size() != size)
            picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        picture.setDevicePixelRatio(area.devicePixelRatio);
        pictures.append(picture);
    }
    return pictures;
}
