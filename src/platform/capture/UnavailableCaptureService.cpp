#include "UnavailableCaptureService.h"

#include "capture/CaptureError.h"

QCoro::Task<CapturedSelection> UnavailableCaptureService::captureSelection()
{
    throw CaptureError::screenshotFailed(details);
    co_return CapturedSelection{};
}
