#include "CaptureImageCache.h"

#include <QCoro/QCoroFuture>
#include <QImageReader>
#include <QPointer>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

CaptureImageCache::CaptureImageCache(QObject *parent) : QObject(parent)
{
    m_decoders.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

CaptureImageCache::~CaptureImageCache()
{
    // Decodes still running finish before the pool goes; their results are dropped.
    m_decoders.waitForDone();
}

QImage CaptureImageCache::image(const QString &filePath)
{
    if (const auto found = m_images.constFind(filePath); found != m_images.cend())
        return *found;
    if (!m_pending.contains(filePath)) {
        m_pending.insert(filePath);
        decode(filePath);
    }
    return {};
}

void CaptureImageCache::retainOnly(const QStringList &filePaths)
{
    const QSet<QString> kept(filePaths.cbegin(), filePaths.cend());
    m_images.removeIf([&](const QHash<QString, QImage>::iterator entry) { return !kept.contains(entry.key()); });
}

QImage CaptureImageCache::decodeScaled(const QString &filePath, const QSize &bound)
{
    QImageReader reader(filePath);
    QImage image = reader.read();
    if (image.isNull() || (image.width() <= bound.width() && image.height() <= bound.height()))
        return image;
    // Smooth scaling is many times faster from a 32-bit format than from packed RGB.
    if (image.depth() != 32)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image.scaled(image.size().scaled(bound, Qt::KeepAspectRatio), Qt::IgnoreAspectRatio,
                        Qt::SmoothTransformation);
}

QCoro::Task<> CaptureImageCache::decode(QString filePath)
{
    const QPointer<CaptureImageCache> self(this);
    QFuture<QImage> decoding =
        QtConcurrent::run(&m_decoders, [filePath] { return decodeScaled(filePath, displayBound); });
    const QImage image = co_await decoding;
    if (!self)
        co_return;
    m_pending.remove(filePath);
    // A file that does not decode is remembered as a null picture, so it is not decoded again.
    m_images.insert(filePath, image);
    Q_EMIT imageReady(filePath);
}
