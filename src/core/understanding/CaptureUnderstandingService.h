#pragma once

#include "models/CaptureUnderstandingResult.h"
#include "models/CapturedSelection.h"

#include <QCoro/QCoroTask>

// Decides how a capture is put to the answer service: as recognised text or as a picture.
class CaptureUnderstandingService
{
public:
    virtual ~CaptureUnderstandingService() = default;
    virtual QCoro::Task<CaptureUnderstandingResult> understand(CapturedSelection selection) = 0;
};
