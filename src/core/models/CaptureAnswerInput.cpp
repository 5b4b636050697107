#include "CaptureAnswerInput.h"

CaptureAnswerInput CaptureAnswerInput::fromUnderstanding(const CaptureUnderstandingResult &result)
{
    CaptureAnswerInput input;
    input.mode = result.mode;
    if (result.ocrResult)
        input.ocrText = result.ocrResult->text;
    if (result.preparedImage) {
        const PreparedCaptureImage &image = *result.preparedImage;
        input.imageBase64 = QString::fromLatin1(image.data.toBase64());
        input.imageMimeType = image.mimeType;
        input.imageWidth = static_cast<int>(image.pixelSize.width());
        input.imageHeight = static_cast<int>(image.pixelSize.height());
    }
    input.routeSummary = CaptureRouteSummary::fromMetrics(result.analysis.metrics);
    return input;
}
