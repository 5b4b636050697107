// orvanta-cli understand IMAGE.png: the understanding service exactly as the application runs
// it (same bridge variables, same fallback recogniser), printed as one JSON object.
#include "CliCapture.h"
#include "CliCommands.h"
#include "CliIo.h"

#include "models/CaptureRouteSummary.h"

namespace {

using Json = nlohmann::ordered_json;

Json resultJson(const CaptureUnderstandingResult &result)
{
    Json ocr = nullptr;
    if (result.ocrResult) {
        ocr = {{"text", result.ocrResult->text.toStdString()},
               {"line_count", result.ocrResult->lineCount},
               {"confidence", result.ocrResult->confidence}};
    }
    Json image = nullptr;
    if (result.preparedImage) {
        const PreparedCaptureImage &prepared = *result.preparedImage;
        image = {{"mime_type", prepared.mimeType.toStdString()},
                 {"width", static_cast<int>(prepared.pixelSize.width())},
                 {"height", static_cast<int>(prepared.pixelSize.height())},
                 {"bytes", prepared.data.size()}};
    }
    return {{"mode", rawValue(result.mode).toStdString()},
            {"route_summary", CaptureRouteSummary::fromMetrics(result.analysis.metrics).toJson()},
            {"filtered_region_count", result.analysis.metrics.filteredRegionCount},
            {"ocr", ocr},
            {"image", image}};
}

} // namespace

QCoro::Task<int> runUnderstandCommand(QStringList arguments)
{
    requireArgumentCount(arguments, 1, "understand IMAGE.png");
    ApplicationUnderstanding service;
    const CapturedSelection selection = selectionFromImageArgument(arguments.first());
    QCoro::Task<CaptureUnderstandingResult> understanding = service.understand(selection);
    const CaptureUnderstandingResult result = co_await understanding;
    printJson(resultJson(result));
    co_return 0;
}
