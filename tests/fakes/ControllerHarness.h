#pragma once

#include "FakeAIProvider.h"
#include "FakeCaptureService.h"
#include "FakeOverlayPresenter.h"
#include "FakeSavePanel.h"
#include "FakeScreenCapturePermission.h"
#include "FakeSessionService.h"
#include "FakeSettingsWindowPresenter.h"
#include "FakeUnderstandingService.h"
#include "clipboard/QtClipboard.h"
#include "controller/AppViewModel.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/InMemoryKeyValueStore.h"
#include "settings/NotificationCenter.h"

#include <memory>

// A controller over fakes: the session, capture, understanding and answers are steered by the
// test; the capture library (real files), the clipboard and the settings (in memory, posting to a
// real notification centre) are real. A test that must prepare the defaults or the session first
// creates the controller itself with makeController().
struct ControllerHarness
{
    explicit ControllerHarness(const QString &libraryPath, bool createController = true)
        : settings(defaults, &notifications)
        , store(libraryPath, &clipboard, &savePanel)
    {
        services.sessionManager = &session;
        services.captureService = &capture;
        services.captureUnderstandingService = &understanding;
        services.aiProvider = &ai;
        services.recentCaptureStore = &store;
        services.overlayController = &overlay;
        services.screenCapturePermission = &permission;
        services.clipboard = &clipboard;
        services.defaults = &defaults;
        services.settings = &settings;
        services.settingsWindow = &settingsWindow;
        if (createController)
            makeController();
    }

    AppViewModel &makeController()
    {
        controller = std::make_unique<AppViewModel>(services);
        return *controller;
    }

    InMemoryKeyValueStore defaults;
    NotificationCenter notifications;
    DeveloperSettingsStore settings;
    QtClipboard clipboard;
    FakeSavePanel savePanel;
    RecentCaptureStore store;
    FakeSessionService session;
    FakeCaptureService capture;
    FakeUnderstandingService understanding;
    FakeAIProvider ai;
    FakeOverlayPresenter overlay;
    FakeScreenCapturePermission permission;
    FakeSettingsWindowPresenter settingsWindow;
    AppViewModel::Services services;
    std::unique_ptr<AppViewModel> controller;
};
