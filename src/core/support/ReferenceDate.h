#pragma once

#include <QDateTime>

// Stored timestamps are seconds since 2001-01-01 00:00:00 UTC as a floating-point number, so
// files written by earlier versions of the stores stay readable.
namespace ReferenceDate {
double secondsSinceReferenceDate(const QDateTime &moment);
QDateTime fromSecondsSinceReferenceDate(double seconds);
} // namespace ReferenceDate
