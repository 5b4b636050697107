#pragma once

#include "controller/SettingsWindowPresenter.h"

class FakeSettingsWindowPresenter : public SettingsWindowPresenter
{
public:
    void openStandaloneSettingsWindow() override { ++openCount; }
    int openCount = 0;
};
