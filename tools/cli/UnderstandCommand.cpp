// orvanta-cli understand IMAGE.png: the understanding service exactly as the application runs
// it (same bridge variables, same fallback recogniser), printed as one JSON object.
#include "CliCommands.h"
#include "CliIo.h"

#include "models/CaptureRouteSummary.h"
#include "ocr/TesseractOCRService.h"
#include "support/OrvantaError.h"
#include "understanding/PaddleCaptureUnderstandingService.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>

namespace {

using Json = nlohmann::ordered_json;

CapturedSelection selectionFromFile(const QString &path)
{
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull())
        throw LibraryError(QStringLiteral("Could not read the image %1: %2").arg(path, reader.errorString()));
    CapturedSelection selection;
    selection.id = QUuid::createUuid();
    selection.previewLabel = QFileInfo(path).fileName();
    selection.cgImage = image;
    selection.imageSize = QSizeF(image.size());
    selection.selectionRect = QRectF(QPointF(0, 0), QSizeF(image.size()));
    selection.capturedAt = QDateTime::currentDateTimeUtc();
    return selection;
}

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
    const CapturedSelection selection = selectionFromFile(arguments.first());
    TesseractOCRService recognizer;
    const auto service = PaddleCaptureUnderstandingService::createShipped(&recognizer);
    const CaptureUnderstandingResult result = co_await service->understand(selection);
    printJson(resultJson(result));
    co_return 0;
}
