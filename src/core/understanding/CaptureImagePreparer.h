#pragma once

#include "models/CapturedSelection.h"
#include "models/PreparedCaptureImage.h"

#include <QSize>

// Scales a capture down (never up) so its longer side is at most maxDimension pixels and encodes
// it as JPEG for the image route.
class CaptureImagePreparer
{
public:
    static constexpr int defaultMaxDimension = 1024;
    static constexpr double defaultCompressionQuality = 0.78;

    // Fails with CaptureUnderstandingError::imagePreparationFailed.
    static PreparedCaptureImage prepare(const CapturedSelection &selection, int maxDimension,
                                        double compressionQuality);

    static QSize targetSize(QSize source, int maxDimension);
};
