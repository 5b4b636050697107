#pragma once

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

// Failed passphrase attempts per user name: after a few within a window, further attempts for
// that name are refused until the oldest failure leaves the window. Kept per process and shared
// by its worker threads.
class SignInThrottle
{
public:
    static constexpr int maximumFailures = 5;
    static constexpr qint64 windowSeconds = 300;
    static constexpr qsizetype maximumNames = 10000;

    // Seconds until another attempt for this name is allowed, or 0 when it is allowed now. An
    // allowed attempt counts as failed until cleared, in the same step, so guesses sent at once
    // from several threads are limited like ones in a row.
    qint64 admit(const QString &name, qint64 now);
    void clear(const QString &name);

private:
    void forgetOld(const QString &name, qint64 now);

    QMutex m_mutex;
    QHash<QString, QList<qint64>> m_failures;
};
