#pragma once

#include <QRectF>
#include <QString>
#include <QUuid>

#include <array>
#include <optional>

// Region kinds reported by layout analysis, in declaration order (used for grouping).
enum class LayoutRegionType { text, title, list, image, table, chart, formula };

inline constexpr std::array<LayoutRegionType, 7> allLayoutRegionTypes{
    LayoutRegionType::text,  LayoutRegionType::title, LayoutRegionType::list,   LayoutRegionType::image,
    LayoutRegionType::table, LayoutRegionType::chart, LayoutRegionType::formula};

QString rawValue(LayoutRegionType type);
std::optional<LayoutRegionType> layoutRegionTypeFromRawValue(const QString &raw);
bool isTextLike(LayoutRegionType type);

// One detected region, in the pixel space of the analysed image.
struct LayoutRegion
{
    QUuid id;
    LayoutRegionType type = LayoutRegionType::text;
    double score = 0.0;
    QRectF boundingBox;

    bool operator==(const LayoutRegion &) const = default;
};
