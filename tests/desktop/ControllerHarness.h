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

// A controller over fakes for the desktop views: the session and the capture are steered by the
// test; settings live in memory and post to a real notification centre.
struct ControllerHarness
{
    explicit ControllerHarness(const QString &libraryPath)
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
        controller = std::make_unique<AppViewModel>(services);
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
