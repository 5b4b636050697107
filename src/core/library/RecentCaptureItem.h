#pragma once

#include "StoredCaptureImage.h"

#include <QDateTime>
#include <QSizeF>
#include <QString>
#include <QUuid>

// One entry of the capture library as the rest of the application sees it.
struct RecentCaptureItem
{
    QUuid id;
    QString sourceAppName;
    QString frameDescription;
    QSizeF imageSize;
    QDateTime capturedAt;
    StoredCaptureImage previewImage;
    QString fileURL; // local path of the stored PNG

    bool operator==(const RecentCaptureItem &) const = default;
};
