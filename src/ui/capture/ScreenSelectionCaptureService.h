#pragma once

#include "capture/CaptureService.h"
#include "capture/ScreenSelection.h"
#include "capture/ScreenSnapshotSource.h"
#include "overlay/ScreenSelectionOverlayCoordinator.h"

#include <memory>

// Region capture over every screen: freezes a picture of each screen (which is also the check
// that screen content may be read), lets the user select a region over them, and cuts the
// capture from the frozen picture of the region's screen. A later grab would photograph the
// border and glow windows that appear at mouse-up.
class ScreenSelectionCaptureService : public CaptureService
{
public:
    explicit ScreenSelectionCaptureService(std::unique_ptr<ScreenSnapshotSource> snapshots);
    ~ScreenSelectionCaptureService() override;

    // Hands each accepted selection to the answer panel's decoration at mouse-up.
    void setSelectionBridge(ScreenSelectionOverlayCoordinator::SelectionBridge bridge);

    QCoro::Task<CapturedSelection> captureSelection() override;

    // The overlay of the capture in progress, if any.
    ScreenSelectionOverlayCoordinator *activeOverlayCoordinator() const { return m_activeOverlayCoordinator.get(); }

    // The capture record for a selection; `sourceAppName` is the application that was active
    // before the overlay appeared.
    static CapturedSelection makeCapturedSelection(const ScreenSelection &selection,
                                                   const std::optional<QString> &sourceAppName);

private:
    // The coordinator resumes its caller from inside one of its own signals, so it is deleted
    // from the event loop, never in place.
    struct DeleteLater
    {
        void operator()(QObject *object) const { object->deleteLater(); }
    };

    std::unique_ptr<ScreenSnapshotSource> m_snapshots;
    ScreenSelectionOverlayCoordinator::SelectionBridge m_bridge;
    std::unique_ptr<ScreenSelectionOverlayCoordinator, DeleteLater> m_activeOverlayCoordinator;
};
