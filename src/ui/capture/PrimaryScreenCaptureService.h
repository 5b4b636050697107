#pragma once

#include "capture/CaptureService.h"

#include <QRect>

// Region capture on the primary screen: freezes a picture of the screen, lets the user drag a
// rectangle over it and cuts the capture from that picture (a later grab would photograph the
// selection window itself). One screen only; selections under 12 points either way are refused.
class PrimaryScreenCaptureService : public CaptureService
{
public:
    static constexpr int minimumSelectionPoints = 12;

    QCoro::Task<CapturedSelection> captureSelection() override;

    // The capture record for `rect` (window points) of a frozen `picture` of a screen placed at
    // `screenGeometry`; the crop is scaled by the picture's device pixel ratio.
    static CapturedSelection makeSelection(const QImage &picture, const QRect &screenGeometry, const QRect &rect);
};
