#pragma once

#include "models/CapturedSelection.h"
#include "models/LayoutRegion.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QSizeF>
#include <QString>

#include <optional>

// What layout analysis found on a capture: regions in the bridge's order, and its text if any.
struct PaddleOCRBridgeOutput
{
    QSizeF pageSize;
    QList<LayoutRegion> regions;
    std::optional<QString> text;
    std::optional<double> confidence;

    bool operator==(const PaddleOCRBridgeOutput &) const = default;
};

// Layout analysis of a capture. Fails with CaptureUnderstandingError or LibraryError.
class PaddleOCRBridge
{
public:
    virtual ~PaddleOCRBridge() = default;
    virtual QCoro::Task<PaddleOCRBridgeOutput> analyze(CapturedSelection selection) = 0;
    // Starts, without waiting, what the next analyses will need; warmEngines also loads the text
    // recognition models. Nothing for bridges that start afresh for each capture.
    virtual void prepare(bool warmEngines) { Q_UNUSED(warmEngines); }
};
