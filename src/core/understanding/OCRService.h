#pragma once

#include "models/CapturedSelection.h"
#include "models/OCRResult.h"

#include <QCoro/QCoroTask>

// Recognises the text of a capture (only its image is read). Fails with OCRError.
class OCRService
{
public:
    virtual ~OCRService() = default;
    virtual QCoro::Task<OCRResult> extractText(CapturedSelection selection) = 0;
    // Starts loading, off the calling thread, what the first recognition would otherwise wait for.
    virtual void warmUpInBackground() {}
};
