#pragma once

#include "CaptureRouteSummary.h"
#include "CaptureUnderstandingResult.h"

#include <QString>

#include <optional>

// What an answer request carries about the capture. The four image fields are all present or
// all absent.
struct CaptureAnswerInput
{
    CaptureUnderstandingMode mode = CaptureUnderstandingMode::text;
    std::optional<QString> ocrText;
    std::optional<QString> imageBase64;
    std::optional<QString> imageMimeType;
    std::optional<int> imageWidth;
    std::optional<int> imageHeight;
    std::optional<CaptureRouteSummary> routeSummary;

    static CaptureAnswerInput fromUnderstanding(const CaptureUnderstandingResult &result);

    bool operator==(const CaptureAnswerInput &) const = default;
};
