#pragma once

// Opens the stand-alone settings window (one window, reused).
class SettingsWindowPresenter
{
public:
    virtual ~SettingsWindowPresenter() = default;
    virtual void openStandaloneSettingsWindow() = 0;
};
