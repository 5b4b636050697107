#pragma once

#include "models/CapturedSelection.h"

#include <QCoro/QCoroTask>

// Lets the user select a screen region and captures it. Fails with CaptureError.
class CaptureService
{
public:
    virtual ~CaptureService() = default;
    virtual QCoro::Task<CapturedSelection> captureSelection() = 0;
};
