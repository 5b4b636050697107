#pragma once

#include "capture/CaptureService.h"

// Stands in until region selection ships: every capture fails with a message that says so, so
// the controller shows it where the user started the capture.
class UnavailableCaptureService : public CaptureService
{
public:
    static inline const QString details =
        QStringLiteral("Region selection is not available in this version of Orvanta yet.");

    QCoro::Task<CapturedSelection> captureSelection() override;
};
