#pragma once

#include "models/CaptureAnswerInput.h"

// The first question about a captured table: every image field present, with a route summary.
inline CaptureAnswerInput sampleImageInput()
{
    CaptureAnswerInput input;
    input.mode = CaptureUnderstandingMode::image;
    input.ocrText = QStringLiteral("Total 42");
    input.imageBase64 = QStringLiteral("/9j/AA==");
    input.imageMimeType = QStringLiteral("image/jpeg");
    input.imageWidth = 1024;
    input.imageHeight = 512;
    input.routeSummary = CaptureRouteSummary{};
    return input;
}
