#include "CaptureError.h"

QString CaptureError::message() const
{
    const bool hasDetails = m_details && !m_details->isEmpty();
    switch (m_kind) {
    case Kind::screenshotFailed:
        return hasDetails ? QStringLiteral("Orvanta could not capture the selected area. ") + *m_details
                          : QStringLiteral("Orvanta could not capture the selected area. Check that Orvanta may "
                                           "capture the screen in your desktop's privacy settings and try again.");
    case Kind::shareableContentFailed:
        return hasDetails ? QStringLiteral("Orvanta could not access the current screen content. ") + *m_details
                          : QStringLiteral("Orvanta could not access the current screen content.");
    case Kind::noScreenAvailable:
        return QStringLiteral("Orvanta could not find a screen to capture.");
    case Kind::selectionCancelled:
        return QStringLiteral("Selection was cancelled.");
    case Kind::selectionTooSmall:
        return QStringLiteral("Please drag a larger selection area.");
    case Kind::screenRecordingPermissionDenied:
        return QStringLiteral("Orvanta needs Screen Recording permission before it can capture part of your "
                              "screen. If you already enabled it, quit and reopen the app once, then try again.");
    }
    return {};
}
