#pragma once

#include <QCoro/QCoroTask>

// The screen-recording permission: whether screen content can be read now, and the way to the
// desktop's privacy settings.
class ScreenCapturePermission
{
public:
    virtual ~ScreenCapturePermission() = default;
    // Makes a real content request; any failure counts as no access.
    virtual QCoro::Task<bool> hasCaptureAccess() = 0;
    // Fire and forget.
    virtual void openSystemSettings() = 0;
};
