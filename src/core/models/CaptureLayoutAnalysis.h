#pragma once

#include "LayoutRegion.h"

#include <QList>
#include <QSizeF>

// Layout facts measured by the route decider; safeText is the routing decision.
struct CaptureLayoutMetrics
{
    double textLikeRatio = 0.0;
    double nonTextRatio = 0.0;
    bool meaningfulTable = false;
    bool meaningfulChart = false;
    bool meaningfulFormula = false;
    bool meaningfulImage = false;
    bool multiColumn = false;
    bool cardLikeLayout = false;
    bool unstableReadingOrder = false;
    bool safeText = false;
    int filteredRegionCount = 0;

    bool operator==(const CaptureLayoutMetrics &) const = default;
};

struct CaptureLayoutAnalysis
{
    QSizeF pageSize;
    QList<LayoutRegion> filteredRegions;
    QList<LayoutRegion> mergedRegions;
    CaptureLayoutMetrics metrics;

    bool operator==(const CaptureLayoutAnalysis &) const = default;
};
