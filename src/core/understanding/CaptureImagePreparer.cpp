#include "CaptureImagePreparer.h"

#include "CaptureUnderstandingError.h"

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>
#include <cmath>

QSize CaptureImagePreparer::targetSize(QSize source, int maxDimension)
{
    const int longest = std::max(source.width(), source.height());
    const double scale = longest > maxDimension ? double(maxDimension) / double(longest) : 1.0;
    return QSize(std::max(1, static_cast<int>(std::floor(source.width() * scale))),
                 std::max(1, static_cast<int>(std::floor(source.height() * scale))));
}

PreparedCaptureImage CaptureImagePreparer::prepare(const CapturedSelection &selection, int maxDimension,
                                                   double compressionQuality)
{
    const auto fail = [] { return CaptureUnderstandingError(CaptureUnderstandingError::Kind::imagePreparationFailed); };
    QImage source = selection.cgImage;
    if (source.isNull())
        throw fail();
    // Qt scales 32-bit pixels on a fast path; from 24-bit formats it is dozens of times slower.
    switch (source.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        break;
    default:
        source = source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                 : QImage::Format_RGB32);
    }
    const QSize target = targetSize(source.size(), maxDimension);
    const QImage scaled =
        target == source.size() ? source : source.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        throw fail();

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(static_cast<int>(std::lround(std::clamp(compressionQuality, 0.0, 1.0) * 100.0)));
    if (!writer.write(scaled))
        throw fail();
    return PreparedCaptureImage{jpeg, QStringLiteral("image/jpeg"), QSizeF(target)};
}
