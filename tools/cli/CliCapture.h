#pragma once

#include "models/CaptureUnderstandingResult.h"
#include "models/CapturedSelection.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <memory>

class OCRService;
class PaddleCaptureUnderstandingService;

// A capture made from an image file, or from a PNG on standard input when the argument is "-".
// Throws when the image cannot be read.
CapturedSelection selectionFromImageArgument(const QString &pathOrDash);

// The understanding service exactly as the application runs it: the bridge named by the
// environment, with Tesseract as the fallback recogniser. Its bridge starts at construction, so
// it loads while the caller reads the image.
class ApplicationUnderstanding
{
public:
    ApplicationUnderstanding();
    ~ApplicationUnderstanding();
    QCoro::Task<CaptureUnderstandingResult> understand(CapturedSelection selection);

private:
    std::unique_ptr<OCRService> m_recognizer;
    std::unique_ptr<PaddleCaptureUnderstandingService> m_service;
};
