#pragma once

#include "CaptureLayoutAnalysis.h"

#include <nlohmann/json.hpp>

// The routing facts as they travel in an answer request ("route_summary").
struct CaptureRouteSummary
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

    static CaptureRouteSummary fromMetrics(const CaptureLayoutMetrics &metrics);
    // The ten wire keys, in their fixed order.
    nlohmann::ordered_json toJson() const;

    bool operator==(const CaptureRouteSummary &) const = default;
};
