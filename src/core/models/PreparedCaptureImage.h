#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>

// The compact JPEG the image route sends.
struct PreparedCaptureImage
{
    QByteArray data;
    QString mimeType;
    QSizeF pixelSize;

    bool operator==(const PreparedCaptureImage &) const = default;
};
