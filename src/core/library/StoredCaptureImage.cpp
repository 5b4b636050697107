#include "StoredCaptureImage.h"

#include <QFile>
#include <QImageReader>

namespace {
// Every PNG ends with an empty IEND chunk; a file cut short while being written does not.
bool endsWithPngTrailer(const QString &filePath)
{
    static const QByteArray trailer = QByteArray::fromHex("0000000049454e44ae426082");
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly) || file.size() < trailer.size())
        return false;
    return file.seek(file.size() - trailer.size()) && file.read(trailer.size()) == trailer;
}
} // namespace

StoredCaptureImage::StoredCaptureImage(QString filePath, QSize pixelSize)
    : m_filePath(std::move(filePath))
    , m_pixelSize(pixelSize)
    , m_cache(std::make_shared<Cache>())
{}

QImage StoredCaptureImage::image() const
{
    if (!m_cache)
        return {};
    if (!m_cache->loaded) {
        QImageReader reader(m_filePath);
        m_cache->image = reader.read();
        m_cache->loaded = true;
    }
    return m_cache->image;
}

QImage StoredCaptureImage::thumbnail(const QSize &bound) const
{
    if (m_cache && m_cache->loaded)
        return m_cache->image.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImageReader reader(m_filePath);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > bound.width() || size.height() > bound.height()))
        reader.setScaledSize(size.scaled(bound, Qt::KeepAspectRatio));
    return reader.read();
}

QSize StoredCaptureImage::probe(const QString &filePath)
{
    QImageReader reader(filePath);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return {};
    if (reader.format() == "png" && !endsWithPngTrailer(filePath))
        return {};
    return size;
}
