#pragma once

#include "ResultOverlaySnapshot.h"

// The floating answer panel as the controller drives it.
class ResultOverlayPresenter
{
public:
    virtual ~ResultOverlayPresenter() = default;
    // The panel exists and is on screen.
    virtual bool isVisible() const = 0;
    virtual void present(const ResultOverlaySnapshot &snapshot, const ResultOverlayCallbacks &callbacks) = 0;
    virtual void updateVisibleContent(const ResultOverlaySnapshot &snapshot,
                                      const ResultOverlayCallbacks &callbacks) = 0;
    virtual void close() = 0;
};
