#include "ResultOverlayPanelController.h"

// The panel itself is built in its own change; until it lands, this controller shows no panel and
// keeps only the selection decoration, so the border and glow windows work end to end.

ResultOverlayPanelController::ResultOverlayPanelController(QObject *parent) : QObject(parent) {}

ResultOverlayPanelController::~ResultOverlayPanelController()
{
    forgetDecorationWindows();
}

FloatingResultPanel *ResultOverlayPanelController::panel() const
{
    return nullptr;
}

ResultOverlayView *ResultOverlayPanelController::view() const
{
    return nullptr;
}

bool ResultOverlayPanelController::isVisible() const
{
    return false;
}

void ResultOverlayPanelController::present(const ResultOverlaySnapshot &snapshot, const ResultOverlayCallbacks &)
{
    if (snapshot.showsSelectionDecoration) {
        showSelectionBorder(snapshot.capture.selectionRect);
        playSelectionEffectIfNeeded(snapshot.capture);
    } else {
        hideSelectionBorder();
    }
}

void ResultOverlayPanelController::updateVisibleContent(const ResultOverlaySnapshot &, const ResultOverlayCallbacks &)
{}

void ResultOverlayPanelController::close()
{
    hideSelectionBorder();
}
