#include "LayoutRegion.h"

QString rawValue(LayoutRegionType type)
{
    switch (type) {
    case LayoutRegionType::text:
        return QStringLiteral("text");
    case LayoutRegionType::title:
        return QStringLiteral("title");
    case LayoutRegionType::list:
        return QStringLiteral("list");
    case LayoutRegionType::image:
        return QStringLiteral("image");
    case LayoutRegionType::table:
        return QStringLiteral("table");
    case LayoutRegionType::chart:
        return QStringLiteral("chart");
    case LayoutRegionType::formula:
        return QStringLiteral("formula");
    }
    return {};
}

std::optional<LayoutRegionType> layoutRegionTypeFromRawValue(const QString &raw)
{
    for (LayoutRegionType type : allLayoutRegionTypes) {
        if (rawValue(type) == raw)
            return type;
    }
    return std::nullopt;
}

bool isTextLike(LayoutRegionType type)
{
    return type == LayoutRegionType::text || type == LayoutRegionType::title || type == LayoutRegionType::list;
}
