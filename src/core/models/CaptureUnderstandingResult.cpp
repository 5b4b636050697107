#include "CaptureUnderstandingResult.h"

QString rawValue(CaptureUnderstandingMode mode)
{
    return mode == CaptureUnderstandingMode::image ? QStringLiteral("IMAGE") : QStringLiteral("TEXT");
}
