#include "PaddleCaptureUnderstandingService.h"

#include "CaptureImagePreparer.h"
#include "CaptureUnderstandingError.h"
#include "ProcessBackedPaddleOCRBridge.h"
#include "RecognizedTextLines.h"
#include "ServingLayoutBridge.h"

namespace {

PreparedCaptureImage prepareForImageRoute(const CapturedSelection &selection)
{
    return CaptureImagePreparer::prepare(selection, CaptureImagePreparer::defaultMaxDimension,
                                         CaptureImagePreparer::defaultCompressionQuality);
}

CaptureUnderstandingResult textResult(CaptureLayoutAnalysis analysis, OCRResult text)
{
    return {CaptureUnderstandingMode::text, std::move(analysis), std::move(text), std::nullopt};
}

CaptureUnderstandingResult imageResult(CaptureLayoutAnalysis analysis, std::optional<OCRResult> text,
                                       PreparedCaptureImage image)
{
    return {CaptureUnderstandingMode::image, std::move(analysis), std::move(text), std::move(image)};
}

} // namespace

PaddleCaptureUnderstandingService::PaddleCaptureUnderstandingService(std::shared_ptr<PaddleOCRBridge> bridge,
                                                                     OCRService *fallbackOCRService)
    : m_bridge(std::move(bridge))
    , m_fallbackOCRService(fallbackOCRService)
{}

std::unique_ptr<PaddleCaptureUnderstandingService>
PaddleCaptureUnderstandingService::createShipped(OCRService *fallbackOCRService)
{
    return std::make_unique<PaddleCaptureUnderstandingService>(
        std::make_shared<ServingLayoutBridge>(std::make_shared<ProcessBackedPaddleOCRBridge>()), fallbackOCRService);
}

CaptureLayoutAnalysis PaddleCaptureUnderstandingService::textStandByAnalysis(QSizeF pageSize)
{
    CaptureLayoutAnalysis analysis;
    analysis.pageSize = pageSize;
    analysis.metrics.textLikeRatio = 1.0;
    analysis.metrics.safeText = true;
    return analysis;
}

CaptureLayoutAnalysis PaddleCaptureUnderstandingService::imageStandByAnalysis(QSizeF pageSize)
{
    CaptureLayoutAnalysis analysis;
    analysis.pageSize = pageSize;
    analysis.metrics.nonTextRatio = 1.0;
    analysis.metrics.meaningfulImage = true;
    return analysis;
}

void PaddleCaptureUnderstandingService::prepareBridge(bool warmEngines)
{
    m_bridge->prepare(warmEngines);
}

QCoro::Task<CaptureUnderstandingResult> PaddleCaptureUnderstandingService::understand(CapturedSelection selection)
{
    // co_await is not allowed inside a catch block, so each failure is carried out of it first.
    std::exception_ptr error;
    std::optional<PaddleOCRBridgeOutput> output;
    try {
        output = co_await m_bridge->analyze(selection);
    } catch (...) {
        error = std::current_exception();
    }
    if (error)
        co_return co_await fallback(error, selection);

    CaptureLayoutAnalysis analysis = m_routeDecider.analyze(output->pageSize, output->regions);
    if (analysis.metrics.safeText) {
        std::optional<OCRResult> text;
        try {
            text = co_await extractText(*output, selection);
        } catch (...) {
            error = std::current_exception();
        }
        if (error)
            co_return co_await fallback(error, selection);
        co_return textResult(std::move(analysis), std::move(*text));
    }

    std::optional<PreparedCaptureImage> image;
    try {
        image = prepareForImageRoute(selection);
    } catch (...) {
        error = std::current_exception();
    }
    if (error)
        co_return co_await fallback(error, selection);
    co_return imageResult(std::move(analysis), std::nullopt, std::move(*image));
}

QCoro::Task<OCRResult> PaddleCaptureUnderstandingService::extractText(PaddleOCRBridgeOutput output,
                                                                      CapturedSelection selection)
{
    const QString text = output.text.value_or(QString()).trimmed();
    if (!text.isEmpty())
        co_return OCRResult{text, recognizedLineCount(text), output.confidence.value_or(0.0)};
    if (m_fallbackOCRService)
        co_return co_await m_fallbackOCRService->extractText(selection);
    throw CaptureUnderstandingError(CaptureUnderstandingError::Kind::textExtractionFailed);
}

QCoro::Task<CaptureUnderstandingResult> PaddleCaptureUnderstandingService::fallback(std::exception_ptr error,
                                                                                    CapturedSelection selection)
{
    if (!m_fallbackOCRService)
        std::rethrow_exception(error);

    std::optional<OCRResult> recognized;
    try {
        recognized = co_await m_fallbackOCRService->extractText(selection);
    } catch (...) {
        // The recogniser's failure, like the bridge's, only means the picture goes instead.
    }
    const QSizeF pageSize = selection.imageSize;
    if (recognized && m_routeDecider.shouldTrustFallbackOCRResult(*recognized, pageSize))
        co_return textResult(textStandByAnalysis(pageSize), std::move(*recognized));
    if (recognized) {
        try {
            co_return imageResult(imageStandByAnalysis(pageSize), recognized, prepareForImageRoute(selection));
        } catch (const CaptureUnderstandingError &) {
            // Tried once more below, without the text.
        }
    }
    co_return imageResult(imageStandByAnalysis(pageSize), std::nullopt, prepareForImageRoute(selection));
}
