#include "BridgeInputFile.h"

#include "CaptureUnderstandingError.h"
#include "support/UuidString.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>

namespace {

// Qt maps PNG "quality" q to zlib level (100 - q) * 9 / 91: 80 gives level 1.
constexpr int fastPngQuality = 80;

} // namespace

QByteArray BridgeInputFile::encodePng(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(fastPngQuality);
    if (image.isNull() || !writer.write(image))
        throw CaptureUnderstandingError(CaptureUnderstandingError::Kind::imagePreparationFailed);
    return bytes;
}

BridgeInputFile::BridgeInputFile(const QImage &image)
{
    const QByteArray png = encodePng(image);
    const QString path =
        QDir(QDir::tempPath()).filePath(QStringLiteral("orvanta-%1.png").arg(uuidString(QUuid::createUuid())));
    QFile file(path);
    // NewOnly: never write through a file or link someone else planted under that name.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        throw LibraryError(file.errorString());
    m_path = path;
    if (file.write(png) != png.size() || !file.flush()) {
        const QString error = file.errorString();
        file.close();
        QFile::remove(m_path);
        throw LibraryError(error);
    }
}

BridgeInputFile::~BridgeInputFile()
{
    QFile::remove(m_path);
}
