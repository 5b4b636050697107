#include "BridgeFrame.h"

#include "support/OrvantaError.h"

#include <QList>

namespace {

constexpr qsizetype kMaximumHeaderBytes = 64;

} // namespace

QByteArray BridgeFrame::encode(const QImage &capture)
{
    // A PNG keeps alpha unpremultiplied; grey is then taken from the same colours.
    const QImage grey = (capture.hasAlphaChannel() ? capture.convertToFormat(QImage::Format_ARGB32) : capture)
                            .convertToFormat(QImage::Format_Grayscale8);
    QByteArray frame =
        QByteArrayLiteral("grey8 ") + QByteArray::number(grey.width()) + ' ' + QByteArray::number(grey.height()) + '\n';
    const qsizetype header = frame.size();
    frame.resize(header + qsizetype(grey.width()) * grey.height());
    for (int y = 0; y < grey.height(); ++y)
        std::copy_n(grey.constScanLine(y), grey.width(), frame.data() + header + qsizetype(y) * grey.width());
    return frame;
}

std::optional<QImage> BridgeFrame::read(std::FILE *input)
{
    QByteArray header;
    for (int c = std::fgetc(input); c != '\n'; c = std::fgetc(input)) {
        if (c == EOF && header.isEmpty())
            return std::nullopt;
        if (c == EOF || header.size() >= kMaximumHeaderBytes)
            throw LibraryError(QStringLiteral("Malformed frame: the header line is unfinished"));
        header += char(c);
    }
    const QList<QByteArray> fields = header.split(' ');
    bool wideOk = false, highOk = false;
    const int width = fields.size() == 3 ? fields[1].toInt(&wideOk) : 0;
    const int height = fields.size() == 3 ? fields[2].toInt(&highOk) : 0;
    if (fields.size() != 3 || fields[0] != "grey8" || !wideOk || !highOk || width < 1 || height < 1 ||
        qint64(width) * height > maximumPixels)
        throw LibraryError(QStringLiteral("Malformed frame header: \"%1\"").arg(QString::fromUtf8(header)));
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        if (std::fread(image.scanLine(y), 1, std::size_t(width), input) != std::size_t(width))
            throw LibraryError(
                QStringLiteral("Malformed frame: the pixels end after %1 of %2 rows").arg(y).arg(height));
    }
    return image;
}
