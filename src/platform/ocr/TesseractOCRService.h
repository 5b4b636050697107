#pragma once

#include "understanding/OCRService.h"

#include <memory>

class TesseractPageReader;

// Text recognition with Tesseract on worker threads, one engine per core. The engines load on
// first use, the first one earlier through warmUpInBackground(), and are kept; concurrent calls
// queue.
class TesseractOCRService : public OCRService
{
public:
    TesseractOCRService();
    ~TesseractOCRService() override;

    QCoro::Task<OCRResult> extractText(CapturedSelection selection) override;

    void warmUpInBackground() override;

private:
    // Shared with running workers, so the service may be destroyed while one is still reading.
    std::shared_ptr<TesseractPageReader> m_reader;
};
