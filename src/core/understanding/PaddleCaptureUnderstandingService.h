#pragma once

#include "CaptureRouteDecider.h"
#include "CaptureUnderstandingService.h"
#include "OCRService.h"
#include "PaddleOCRBridge.h"

#include <exception>
#include <memory>

// Understands a capture through layout analysis, and degrades instead of failing: a missing, slow
// or broken bridge falls back to the text recogniser, and untrusted text to the picture.
class PaddleCaptureUnderstandingService : public CaptureUnderstandingService
{
public:
    // fallbackOCRService may be null; it is not owned and must outlive the service.
    PaddleCaptureUnderstandingService(std::shared_ptr<PaddleOCRBridge> bridge, OCRService *fallbackOCRService);

    // What the application runs: the process bridge configured from the environment.
    static std::unique_ptr<PaddleCaptureUnderstandingService> createShipped(OCRService *fallbackOCRService);

    QCoro::Task<CaptureUnderstandingResult> understand(CapturedSelection selection) override;

    // Starts the layout bridge ahead of the first capture (see PaddleOCRBridge::prepare).
    void prepareBridge(bool warmEngines);

    // Used when no layout is known: trusted text, or the whole capture as a picture.
    static CaptureLayoutAnalysis textStandByAnalysis(QSizeF pageSize);
    static CaptureLayoutAnalysis imageStandByAnalysis(QSizeF pageSize);

private:
    QCoro::Task<OCRResult> extractText(PaddleOCRBridgeOutput output, CapturedSelection selection);
    QCoro::Task<CaptureUnderstandingResult> fallback(std::exception_ptr error, CapturedSelection selection);

    std::shared_ptr<PaddleOCRBridge> m_bridge;
    OCRService *m_fallbackOCRService;
    CaptureRouteDecider m_routeDecider;
};
