#pragma once

#include "models/CaptureUnderstandingResult.h"
#include "models/CapturedSelection.h"

#include <QCoro/QCoroTask>
#include <QString>

// A capture made from an image file, or from a PNG on standard input when the argument is "-".
// Throws when the image cannot be read.
CapturedSelection selectionFromImageArgument(const QString &pathOrDash);

// The understanding service exactly as the application runs it: the bridge named by the
// environment, with Tesseract as the fallback recogniser.
QCoro::Task<CaptureUnderstandingResult> understandLikeTheApplication(CapturedSelection selection);
