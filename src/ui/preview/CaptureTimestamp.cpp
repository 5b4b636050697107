#include "CaptureTimestamp.h"

#include <QRegularExpression>

QString localCaptureTimestamp(const QDateTime &capturedAt, const QLocale &locale)
{
    // Qt has long and short date formats only; the medium one is the long one without the
    // weekday and with the month abbreviated.
    static const QRegularExpression weekday(QStringLiteral("d{4}[,.]?\\s*"));
    QString dateFormat = locale.dateFormat(QLocale::LongFormat);
    dateFormat.remove(weekday);
    dateFormat.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    const QDateTime local = capturedAt.toLocalTime();
    return locale.toString(local.date(), dateFormat.trimmed()) + QStringLiteral(", ") +
           locale.toString(local.time(), QLocale::ShortFormat);
}
