#pragma once

#include "models/CaptureLayoutAnalysis.h"
#include "models/OCRResult.h"

#include <QList>
#include <QRectF>
#include <QSizeF>

#include <utility>

// Decides from detected layout whether a capture can be sent as plain text (safeText) or needs
// the picture, and whether recogniser text obtained without layout is clean enough to send.
// Pure computation: every threshold below is part of the routing behaviour.
class CaptureRouteDecider
{
public:
    // Above this share of the page covered by pictures, tables, charts and formulas, never text.
    static constexpr double safeTextMaximumNonTextRatio = 0.15;

    static double minimumScore(LayoutRegionType type);

    CaptureLayoutAnalysis analyze(QSizeF pageSize, const QList<LayoutRegion> &regions) const;
    bool shouldTrustFallbackOCRResult(const OCRResult &ocrResult, QSizeF pageSize) const;

    static QList<LayoutRegion> filterRegions(const QList<LayoutRegion> &regions);
    static QList<LayoutRegion> mergeOverlappingRegions(const QList<LayoutRegion> &group);
    static double unionArea(const QList<QRectF> &rects);
    static double mergedIntervalLength(QList<std::pair<double, double>> intervals);

    static bool hasMeaningfulTable(const QList<LayoutRegion> &regions, QSizeF pageSize, double ratio);
    static bool hasMeaningfulChart(const QList<LayoutRegion> &regions, QSizeF pageSize);
    static bool hasMeaningfulFormula(const QList<LayoutRegion> &regions, QSizeF pageSize);
    static bool hasMeaningfulImage(const QList<LayoutRegion> &regions, QSizeF pageSize, double ratio);
    static bool isMultiColumn(const QList<LayoutRegion> &textLike, double pageWidth);
    static bool isSingleDominantColumn(const QList<LayoutRegion> &regions, double pageWidth);
    static bool isCardLikeLayout(const QList<LayoutRegion> &textLike, QSizeF pageSize);
    static bool isDiagramNodeLayout(const QList<LayoutRegion> &textLike, QSizeF pageSize);
    static bool hasUnstableReadingOrder(const QList<LayoutRegion> &textLike, double pageWidth);

    // The regions in reading order (top to bottom, left to right within a line of 6 pixels).
    static QList<LayoutRegion> readingOrder(QList<LayoutRegion> regions);
};
