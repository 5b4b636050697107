#pragma once

#include "PaddleOCRBridge.h"

#include <QByteArray>
#include <QSizeF>

// Reads the one JSON document a layout bridge prints. Strict: anything but the documented shape
// fails, with CaptureUnderstandingError (empty output, a bad region) or LibraryError (the JSON
// itself: syntax, a missing key, a wrong type, a number out of range).
class BridgeOutputParser
{
public:
    // defaultPageSize stands in for "page_width"/"page_height" when the bridge omits them.
    static PaddleOCRBridgeOutput parse(const QByteArray &standardOutput, QSizeF defaultPageSize);
};
