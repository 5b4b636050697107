#pragma once

#include "CaptureLayoutAnalysis.h"
#include "OCRResult.h"
#include "PreparedCaptureImage.h"

#include <QString>

#include <optional>

enum class CaptureUnderstandingMode { text, image };

// "TEXT" or "IMAGE", as sent in "capture_mode".
QString rawValue(CaptureUnderstandingMode mode);

// How a capture will be put to the answer service: recognised text, or a prepared picture.
struct CaptureUnderstandingResult
{
    CaptureUnderstandingMode mode = CaptureUnderstandingMode::text;
    CaptureLayoutAnalysis analysis;
    std::optional<OCRResult> ocrResult;
    std::optional<PreparedCaptureImage> preparedImage;

    bool operator==(const CaptureUnderstandingResult &) const = default;
};
