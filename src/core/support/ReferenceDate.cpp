#include "ReferenceDate.h"

#include <QTimeZone>

#include <cmath>

namespace {
const QDateTime &referenceDate()
{
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return reference;
}
} // namespace

double ReferenceDate::secondsSinceReferenceDate(const QDateTime &moment)
{
    return static_cast<double>(referenceDate().msecsTo(moment)) / 1000.0;
}

QDateTime ReferenceDate::fromSecondsSinceReferenceDate(double seconds)
{
    // Beyond a few hundred thousand years QDateTime cannot hold the moment; treat it as unreadable.
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e13)
        return {};
    return referenceDate().addMSecs(static_cast<qint64>(std::llround(seconds * 1000.0))).toLocalTime();
}
