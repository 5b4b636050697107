#pragma once

#include "understanding/OCRService.h"

#include <memory>

class TesseractEngine;

// Text recognition with Tesseract on a worker thread. One engine is loaded on first use and shared
// by every call; concurrent calls queue for it.
class TesseractOCRService : public OCRService
{
public:
    TesseractOCRService();
    ~TesseractOCRService() override;

    QCoro::Task<OCRResult> extractText(CapturedSelection selection) override;

private:
    // Shared with running workers, so the service may be destroyed while one is still reading.
    std::shared_ptr<TesseractEngine> m_engine;
};
