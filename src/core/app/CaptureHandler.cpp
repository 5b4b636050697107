#include "CaptureHandler.h"

#include "auth/SessionService.h"
#include "controller/AppViewModel.h"

#include <QPointer>

std::function<void()> makeCaptureHandler(AppViewModel &viewModel, SessionService &session,
                                         std::function<void()> bringApplicationToFront)
{
    const QPointer<AppViewModel> weakViewModel(&viewModel);
    const QPointer<SessionService> weakSession(&session);
    return [weakViewModel, weakSession, bringApplicationToFront = std::move(bringApplicationToFront)] {
        if (!weakViewModel || !weakSession)
            return;
        if (!weakSession->sessionState().isAuthenticated()) {
            bringApplicationToFront();
            return;
        }
        if (!weakViewModel->isBusy())
            weakViewModel->runCaptureFlow();
    };
}
