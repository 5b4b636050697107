#pragma once

#include "capture/ScreenCapturePermission.h"

class FakeScreenCapturePermission : public ScreenCapturePermission
{
public:
    QCoro::Task<bool> hasCaptureAccess() override { co_return granted; }
    void openSystemSettings() override { ++openCount; }

    bool granted = true;
    int openCount = 0;
};
