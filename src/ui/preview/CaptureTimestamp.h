#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// A capture time as people read it: the date in medium length ("Mar 5, 2025") and the time in
// short form, in the given locale and the local time zone.
QString localCaptureTimestamp(const QDateTime &capturedAt, const QLocale &locale = QLocale());
