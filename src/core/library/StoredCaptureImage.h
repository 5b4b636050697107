#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

// The PNG of a stored capture, decoded on first use and then kept (copies share the decoded
// image). Listing the library reads only the files' headers, so start-up does not pay for
// decoding nine full-screen captures.
class StoredCaptureImage
{
public:
    StoredCaptureImage() = default;
    StoredCaptureImage(QString filePath, QSize pixelSize);

    QString filePath() const { return m_filePath; }
    // The size the file's header announces.
    QSize pixelSize() const { return m_pixelSize; }
    // The decoded bitmap; a null image when the file no longer decodes.
    QImage image() const;
    // A decoded copy no larger than bound (aspect kept), for thumbnails; not cached.
    QImage thumbnail(const QSize &bound) const;

    // A readable, complete image file: the header decodes and a PNG ends with its IEND chunk.
    // Returns the pixel size, or an invalid size.
    static QSize probe(const QString &filePath);

    bool operator==(const StoredCaptureImage &other) const { return m_filePath == other.m_filePath; }

private:
    struct Cache
    {
        bool loaded = false;
        QImage image;
    };

    QString m_filePath;
    QSize m_pixelSize;
    std::shared_ptr<Cache> m_cache;
};
