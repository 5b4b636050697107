#include "CaptureRouteDecider.h"

#include <QChar>
#include <QStringView>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Thresholds of the routing decision.
constexpr double safeTextMinimumTextLikeRatio = 0.85;
constexpr double mergeMinimumOverlap = 0.5;
constexpr double multiColumnMinimumGap = 0.22;
constexpr double singleColumnMaximumSpread = 0.18;
constexpr double sameLineMaximumDistance = 6.0;
constexpr double readingOrderJumpMinimum = 0.25;

// Characters that count as clean text besides letters, marks and numbers: ASCII and full-width
// punctuation (the ideographic comma appears twice, as it always has).
constexpr char16_t cleanPunctuation[] = u".,!?;:()[]{}<>-_/&%+#@'\"，。！？；：、（）《》【】「」『』、·";

double minX(const QRectF &r)
{
    return r.x();
}
double minY(const QRectF &r)
{
    return r.y();
}
double maxX(const QRectF &r)
{
    return r.x() + r.width();
}
double maxY(const QRectF &r)
{
    return r.y() + r.height();
}
double midX(const QRectF &r)
{
    return r.x() + r.width() / 2.0;
}
double midY(const QRectF &r)
{
    return r.y() + r.height() / 2.0;
}

double area(const QRectF &r)
{
    return std::max(0.0, r.width()) * std::max(0.0, r.height());
}

double areaRatio(const QRectF &r, QSizeF page)
{
    const double pageArea = page.width() * page.height();
    return pageArea > 1.0 ? area(r) / pageArea : area(r);
}

double widthRatio(double width, double pageWidth)
{
    return pageWidth > 1.0 ? width / pageWidth : width;
}

double heightRatio(double height, double pageHeight)
{
    return pageHeight > 1.0 ? height / pageHeight : height;
}

// Orders doubles with NaN last, so a malformed box can never break a sort's preconditions.
bool lessNaNLast(double a, double b)
{
    return !std::isnan(a) && (std::isnan(b) || a < b);
}

QRectF unitedRect(const QRectF &a, const QRectF &b)
{
    const double x0 = std::min(minX(a), minX(b));
    const double y0 = std::min(minY(a), minY(b));
    const double x1 = std::max(maxX(a), maxX(b));
    const double y1 = std::max(maxY(a), maxY(b));
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

QList<QRectF> boxesOf(const QList<LayoutRegion> &regions)
{
    QList<QRectF> boxes;
    boxes.reserve(regions.size());
    for (const LayoutRegion &region : regions)
        boxes.append(region.boundingBox);
    return boxes;
}

QList<double> normalisedMidXs(const QList<LayoutRegion> &regions, double pageWidth)
{
    QList<double> mids;
    mids.reserve(regions.size());
    for (const LayoutRegion &region : regions)
        mids.append(midX(region.boundingBox) / std::max(1.0, pageWidth));
    return mids;
}

qsizetype countWithScore(const QList<LayoutRegion> &regions, double minimum)
{
    return std::count_if(regions.begin(), regions.end(),
                         [minimum](const LayoutRegion &r) { return r.score >= minimum; });
}

bool anyQualifying(const QList<LayoutRegion> &regions, double minimumScore, auto &&isLargeEnough)
{
    return std::any_of(regions.begin(), regions.end(),
                       [&](const LayoutRegion &r) { return r.score >= minimumScore && isLargeEnough(r.boundingBox); });
}

bool comesFirstInReadingOrder(const LayoutRegion &a, const LayoutRegion &b)
{
    if (std::abs(midY(a.boundingBox) - midY(b.boundingBox)) < sameLineMaximumDistance)
        return minX(a.boundingBox) < minX(b.boundingBox);
    return midY(a.boundingBox) < midY(b.boundingBox);
}

bool isCleanScalar(char32_t scalar)
{
    switch (QChar::category(scalar)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        return true;
    default:
        return scalar <= 0xFFFF &&
               std::u16string_view(cleanPunctuation).find(char16_t(scalar)) != std::u16string_view::npos;
    }
}

} // namespace

double CaptureRouteDecider::minimumScore(LayoutRegionType type)
{
    switch (type) {
    case LayoutRegionType::text:
    case LayoutRegionType::title:
    case LayoutRegionType::list:
        return 0.45;
    case LayoutRegionType::image:
        return 0.5;
    case LayoutRegionType::table:
    case LayoutRegionType::chart:
        return 0.55;
    case LayoutRegionType::formula:
        return 0.6;
    }
    return 1.0;
}

CaptureLayoutAnalysis CaptureRouteDecider::analyze(QSizeF pageSize, const QList<LayoutRegion> &regions) const
{
    CaptureLayoutAnalysis analysis;
    analysis.pageSize = pageSize;
    analysis.filteredRegions = filterRegions(regions);

    QList<LayoutRegion> textLike;
    std::array<QList<LayoutRegion>, allLayoutRegionTypes.size()> mergedByType;
    for (std::size_t index = 0; index < allLayoutRegionTypes.size(); ++index) {
        const LayoutRegionType type = allLayoutRegionTypes[index];
        QList<LayoutRegion> group;
        for (const LayoutRegion &region : std::as_const(analysis.filteredRegions)) {
            if (region.type == type)
                group.append(region);
        }
        mergedByType[index] = mergeOverlappingRegions(group);
        analysis.mergedRegions.append(mergedByType[index]);
        if (isTextLike(type))
            textLike.append(mergedByType[index]);
    }
    const auto merged = [&](LayoutRegionType type) -> const QList<LayoutRegion> & {
        return mergedByType[static_cast<std::size_t>(type)];
    };

    const double pageArea = std::max(1.0, pageSize.width() * pageSize.height());
    const double textArea = unionArea(boxesOf(textLike));
    const double imageRatio = unionArea(boxesOf(merged(LayoutRegionType::image))) / pageArea;
    const double tableRatio = unionArea(boxesOf(merged(LayoutRegionType::table))) / pageArea;
    const double chartRatio = unionArea(boxesOf(merged(LayoutRegionType::chart))) / pageArea;
    const double formulaRatio = unionArea(boxesOf(merged(LayoutRegionType::formula))) / pageArea;

    CaptureLayoutMetrics &m = analysis.metrics;
    m.meaningfulTable = hasMeaningfulTable(merged(LayoutRegionType::table), pageSize, tableRatio);
    m.meaningfulChart = hasMeaningfulChart(merged(LayoutRegionType::chart), pageSize);
    m.meaningfulFormula = hasMeaningfulFormula(merged(LayoutRegionType::formula), pageSize);
    m.meaningfulImage = hasMeaningfulImage(merged(LayoutRegionType::image), pageSize, imageRatio);
    m.multiColumn = isMultiColumn(textLike, pageSize.width());
    m.cardLikeLayout = isCardLikeLayout(textLike, pageSize) || isDiagramNodeLayout(textLike, pageSize);
    m.textLikeRatio = textArea / pageArea;
    m.nonTextRatio = imageRatio + tableRatio + chartRatio + formulaRatio;
    m.unstableReadingOrder = hasUnstableReadingOrder(textLike, pageSize.width());
    m.safeText = !m.multiColumn && !m.cardLikeLayout && !m.meaningfulTable && !m.meaningfulChart &&
                 !m.meaningfulFormula && !m.meaningfulImage && !m.unstableReadingOrder &&
                 m.textLikeRatio >= safeTextMinimumTextLikeRatio && m.nonTextRatio <= safeTextMaximumNonTextRatio;
    m.filteredRegionCount = static_cast<int>(analysis.filteredRegions.size());
    return analysis;
}

QList<LayoutRegion> CaptureRouteDecider::filterRegions(const QList<LayoutRegion> &regions)
{
    QList<LayoutRegion> kept;
    for (const LayoutRegion &region : regions) {
        if (region.score >= minimumScore(region.type) && region.boundingBox.width() > 0 &&
            region.boundingBox.height() > 0)
            kept.append(region);
    }
    return kept;
}

QList<LayoutRegion> CaptureRouteDecider::mergeOverlappingRegions(const QList<LayoutRegion> &group)
{
    QList<LayoutRegion> pending = group;
    std::stable_sort(pending.begin(), pending.end(), [](const LayoutRegion &a, const LayoutRegion &b) {
        return lessNaNLast(minX(a.boundingBox), minX(b.boundingBox));
    });

    QList<LayoutRegion> merged;
    while (!pending.isEmpty()) {
        const LayoutRegion seed = pending.takeFirst();
        QRectF rect = seed.boundingBox;
        double score = seed.score;
        bool absorbedAny = true;
        while (absorbedAny && !pending.isEmpty()) {
            absorbedAny = false;
            for (auto it = pending.begin(); it != pending.end();) {
                const QRectF &box = it->boundingBox;
                const double width = std::min(maxX(rect), maxX(box)) - std::max(minX(rect), minX(box));
                const double height = std::min(maxY(rect), maxY(box)) - std::max(minY(rect), minY(box));
                if (!(width > 0 && height > 0)) {
                    ++it;
                    continue;
                }
                const double intersection = width * height;
                const double unionOfBoth = area(rect) + area(box) - intersection;
                if (unionOfBoth <= 0 || !(intersection / unionOfBoth > mergeMinimumOverlap)) {
                    ++it;
                    continue;
                }
                rect = unitedRect(rect, box);
                score = std::max(score, it->score);
                it = pending.erase(it);
                absorbedAny = true;
            }
        }
        merged.append(LayoutRegion{QUuid::createUuid(), seed.type, score, rect});
    }
    return merged;
}

double CaptureRouteDecider::unionArea(const QList<QRectF> &rects)
{
    if (rects.isEmpty())
        return 0.0;
    QList<double> xs;
    xs.reserve(rects.size() * 2);
    for (const QRectF &r : rects) {
        xs.append(minX(r));
        xs.append(maxX(r));
    }
    std::sort(xs.begin(), xs.end(), lessNaNLast);
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());

    double total = 0.0;
    QList<std::pair<double, double>> intervals;
    for (qsizetype i = 0; i + 1 < xs.size(); ++i) {
        const double x0 = xs[i];
        const double x1 = xs[i + 1];
        if (!(x1 - x0 > 0))
            continue;
        intervals.clear();
        for (const QRectF &r : rects) {
            if (minX(r) < x1 && maxX(r) > x0)
                intervals.append({minY(r), maxY(r)});
        }
        total += (x1 - x0) * mergedIntervalLength(intervals);
    }
    return total;
}

double CaptureRouteDecider::mergedIntervalLength(QList<std::pair<double, double>> intervals)
{
    // An inverted interval covers nothing; dropping it keeps a malformed box from subtracting area.
    intervals.removeIf([](const std::pair<double, double> &i) { return !(i.second >= i.first); });
    if (intervals.isEmpty())
        return 0.0;
    std::sort(intervals.begin(), intervals.end(),
              [](const auto &a, const auto &b) { return lessNaNLast(a.first, b.first); });
    double total = 0.0;
    std::pair<double, double> current = intervals.first();
    for (qsizetype i = 1; i < intervals.size(); ++i) {
        const auto &next = intervals[i];
        if (next.first > current.second) {
            total += current.second - current.first;
            current = next;
        } else {
            current.second = std::max(current.second, next.second);
        }
    }
    return total + (current.second - current.first);
}

bool CaptureRouteDecider::hasMeaningfulTable(const QList<LayoutRegion> &regions, QSizeF page, double ratio)
{
    if (regions.isEmpty())
        return false;
    if (ratio >= 0.06)
        return true;
    return anyQualifying(regions, 0.55, [page](const QRectF &box) {
        return areaRatio(box, page) >= 0.05 || widthRatio(box.width(), page.width()) >= 0.42 ||
               heightRatio(box.height(), page.height()) >= 0.14;
    });
}

bool CaptureRouteDecider::hasMeaningfulChart(const QList<LayoutRegion> &regions, QSizeF page)
{
    if (regions.isEmpty())
        return false;
    if (countWithScore(regions, 0.5) >= 2)
        return true;
    return anyQualifying(regions, 0.55, [page](const QRectF &box) {
        return areaRatio(box, page) >= 0.04 ||
               (widthRatio(box.width(), page.width()) >= 0.3 && heightRatio(box.height(), page.height()) >= 0.18);
    });
}

bool CaptureRouteDecider::hasMeaningfulFormula(const QList<LayoutRegion> &regions, QSizeF page)
{
    if (regions.isEmpty())
        return false;
    const bool severalConfident = countWithScore(regions, 0.6) >= 2;
    return anyQualifying(regions, 0.6, [page, severalConfident](const QRectF &box) {
        return areaRatio(box, page) >= 0.012 || widthRatio(box.width(), page.width()) >= 0.22 || severalConfident;
    });
}

bool CaptureRouteDecider::hasMeaningfulImage(const QList<LayoutRegion> &regions, QSizeF page, double ratio)
{
    if (regions.isEmpty())
        return false;
    if (ratio >= 0.18)
        return true;
    return anyQualifying(regions, 0.5, [page](const QRectF &box) {
        return areaRatio(box, page) >= 0.12 || widthRatio(box.width(), page.width()) >= 0.35 ||
               heightRatio(box.height(), page.height()) >= 0.25;
    });
}

bool CaptureRouteDecider::isMultiColumn(const QList<LayoutRegion> &textLike, double pageWidth)
{
    if (textLike.size() < 4)
        return false;
    QList<double> mids = normalisedMidXs(textLike, pageWidth);
    std::sort(mids.begin(), mids.end(), lessNaNLast);
    double largestGap = 0.0;
    for (qsizetype i = 1; i < mids.size(); ++i)
        largestGap = std::max(largestGap, mids[i] - mids[i - 1]);
    return largestGap >= multiColumnMinimumGap;
}

bool CaptureRouteDecider::isSingleDominantColumn(const QList<LayoutRegion> &regions, double pageWidth)
{
    if (regions.isEmpty())
        return true;
    const QList<double> mids = normalisedMidXs(regions, pageWidth);
    const auto [lowest, highest] = std::minmax_element(mids.begin(), mids.end(), lessNaNLast);
    return *highest - *lowest < singleColumnMaximumSpread;
}

bool CaptureRouteDecider::isCardLikeLayout(const QList<LayoutRegion> &textLike, QSizeF pageSize)
{
    if (textLike.size() < 4)
        return false;
    double sum = 0.0;
    for (const LayoutRegion &region : textLike)
        sum += area(region.boundingBox);
    const double mean = sum / static_cast<double>(textLike.size());
    if (!(mean > 0))
        return false;
    QList<LayoutRegion> similar;
    for (const LayoutRegion &region : textLike) {
        const double relative = area(region.boundingBox) / mean;
        if (relative >= 0.45 && relative <= 1.8)
            similar.append(region);
    }
    return similar.size() >= 3 && !isSingleDominantColumn(similar, pageSize.width());
}

bool CaptureRouteDecider::isDiagramNodeLayout(const QList<LayoutRegion> &textLike, QSizeF pageSize)
{
    const qsizetype n = textLike.size();
    if (n < 3)
        return false;
    const double width = pageSize.width();
    const double height = pageSize.height();
    const double coverage = unionArea(boxesOf(textLike)) / std::max(1.0, width * height);

    double lowestX = midX(textLike.first().boundingBox), highestX = lowestX;
    double lowestY = midY(textLike.first().boundingBox), highestY = lowestY;
    qsizetype nodes = 0;
    for (const LayoutRegion &region : textLike) {
        const QRectF &box = region.boundingBox;
        lowestX = std::min(lowestX, midX(box));
        highestX = std::max(highestX, midX(box));
        lowestY = std::min(lowestY, midY(box));
        highestY = std::max(highestY, midY(box));
        const double w = widthRatio(box.width(), width);
        const double h = heightRatio(box.height(), height);
        if (w >= 0.08 && w <= 0.38 && h >= 0.04 && h <= 0.24)
            ++nodes;
    }
    const double xSpread = (highestX - lowestX) / std::max(1.0, width);
    const double ySpread = (highestY - lowestY) / std::max(1.0, height);
    if (coverage > 0.55 || xSpread < 0.35 || ySpread < 0.2)
        return false;
    const double required = std::max(3.0, std::ceil(0.6 * static_cast<double>(n)));
    return static_cast<double>(nodes) >= required;
}

QList<LayoutRegion> CaptureRouteDecider::readingOrder(QList<LayoutRegion> regions)
{
    // "Comes first" is not a strict weak ordering (slanted boxes can compare in a cycle), which
    // std::sort and std::stable_sort do not allow. A stable insertion sort only moves a region
    // past those it comes before, so it is defined for any input and matches a stable sort
    // wherever the ordering is consistent.
    for (qsizetype i = 1; i < regions.size(); ++i) {
        LayoutRegion moving = regions[i];
        qsizetype j = i;
        while (j > 0 && comesFirstInReadingOrder(moving, regions[j - 1])) {
            regions[j] = regions[j - 1];
            --j;
        }
        regions[j] = std::move(moving);
    }
    return regions;
}

bool CaptureRouteDecider::hasUnstableReadingOrder(const QList<LayoutRegion> &textLike, double pageWidth)
{
    const qsizetype n = textLike.size();
    if (n < 4)
        return false;
    const QList<LayoutRegion> ordered = readingOrder(textLike);
    qsizetype jumps = 0;
    for (qsizetype i = 1; i < n; ++i) {
        const double distance = std::abs(midX(ordered[i - 1].boundingBox) - midX(ordered[i].boundingBox));
        if (widthRatio(distance, pageWidth) >= readingOrderJumpMinimum)
            ++jumps;
    }
    const qsizetype threshold = n < 6 ? 2 : n / 3;
    return jumps >= threshold;
}

bool CaptureRouteDecider::shouldTrustFallbackOCRResult(const OCRResult &ocrResult, QSizeF) const
{
    qsizetype n = 0;
    qsizetype noise = 0;
    for (const char32_t scalar : ocrResult.text.toUcs4()) {
        if (QChar::isSpace(scalar))
            continue;
        ++n;
        if (!isCleanScalar(scalar))
            ++noise;
    }
    if (n == 0)
        return false;
    const double confidence = ocrResult.confidence;
    const double clean = static_cast<double>(n - noise) / static_cast<double>(n);
    const bool enoughText = n >= 20 || ocrResult.lineCount >= 3 || (n >= 8 && confidence >= 0.88 && clean >= 0.88);
    return confidence >= 0.76 && clean >= 0.72 && enoughText;
}
