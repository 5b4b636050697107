#pragma once

#include "AwaitTask.h"
#include "models/CaptureLayoutAnalysis.h"

#include <QImage>
#include <QPainter>
#include <QStringList>

inline LayoutRegion region(LayoutRegionType type, double score, double x, double y, double width, double height)
{
    return LayoutRegion{QUuid::createUuid(), type, score, QRectF(x, y, width, height)};
}

inline LayoutRegion text(double x, double y, double width, double height, double score = 0.9)
{
    return region(LayoutRegionType::text, score, x, y, width, height);
}

// Regions written "kind [score] x y width height", separated by "|"; the score defaults to 0.9.
inline QList<LayoutRegion> parseRegions(const QString &written)
{
    QList<LayoutRegion> parsed;
    for (const QString &one : written.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        QStringList f = one.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (f.size() == 5)
            f.insert(1, QStringLiteral("0.9"));
        parsed.append(region(layoutRegionTypeFromRawValue(f[0]).value(), f[1].toDouble(), f[2].toDouble(),
                             f[3].toDouble(), f[4].toDouble(), f[5].toDouble()));
    }
    return parsed;
}

// The inverse of parseRegions(), to compare results in one readable line.
inline QString written(const QList<LayoutRegion> &regions)
{
    QStringList parts;
    for (const LayoutRegion &r : regions)
        parts.append(QStringLiteral("%1 %2 %3 %4 %5 %6")
                         .arg(rawValue(r.type))
                         .arg(r.score)
                         .arg(r.boundingBox.x())
                         .arg(r.boundingBox.y())
                         .arg(r.boundingBox.width())
                         .arg(r.boundingBox.height()));
    return parts.join(QLatin1String(" | "));
}

// The flags that are set, and both ratios: compact and readable when a comparison fails.
inline QString describe(const CaptureLayoutMetrics &m)
{
    QStringList flags;
    const std::pair<bool, const char *> named[] = {{m.meaningfulTable, "table"},      {m.meaningfulChart, "chart"},
                                                   {m.meaningfulFormula, "formula"},  {m.meaningfulImage, "image"},
                                                   {m.multiColumn, "columns"},        {m.cardLikeLayout, "cards"},
                                                   {m.unstableReadingOrder, "jumps"}, {m.safeText, "safe"}};
    for (const auto &[set, name] : named) {
        if (set)
            flags.append(QLatin1String(name));
    }
    return QStringLiteral("text %1 nontext %2 count %3 [%4]")
        .arg(m.textLikeRatio)
        .arg(m.nonTextRatio)
        .arg(m.filteredRegionCount)
        .arg(flags.join(QLatin1Char(' ')));
}

// A capture-sized picture with some dark strokes, so encoders have real work to do.
inline QImage sampleCapture(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 10; y + 12 < height; y += 24)
        painter.fillRect(10, y, width / 2 + (y * 37) % (width / 3 + 1), 12, Qt::black);
    painter.end();
    return image.convertToFormat(format);
}
