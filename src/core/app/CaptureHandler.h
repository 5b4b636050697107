#pragma once

#include <functional>

class AppViewModel;
class SessionService;

// What the capture shortcut does: signed out, it only brings the main window forward; signed
// in, it runs the capture flow unless a task is already running. Holds both objects weakly.
std::function<void()> makeCaptureHandler(AppViewModel &viewModel, SessionService &session,
                                         std::function<void()> bringApplicationToFront);
