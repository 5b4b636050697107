#pragma once

#include <QDateTime>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUuid>

#include <optional>

// One captured screen region: from the capture service, or rebuilt from the capture library.
struct CapturedSelection
{
    QUuid id;
    QString sourceAppName;
    QString frameDescription;
    QString previewLabel;
    QImage cgImage;
    QSizeF imageSize;
    QRectF selectionRect;
    std::optional<QRectF> referenceDisplayFrame;
    QDateTime capturedAt;

    bool operator==(const CapturedSelection &) const = default;
};
