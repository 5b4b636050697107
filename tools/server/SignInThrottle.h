#pragma once

#include <QHash>
#include <QList>
#include <QString>

// Failed passphrase attempts per user name: after a few within a window, further attempts for
// that name are refused until the oldest failure leaves the window. Kept per process.
class SignInThrottle
{
public:
    static constexpr int maximumFailures = 5;
    static constexpr qint64 windowSeconds = 300;
    static constexpr qsizetype maximumNames = 10000;

    // Seconds until another attempt for this name is allowed; 0 when it is allowed now.
    qint64 waitSeconds(const QString &name, qint64 now);
    void recordFailure(const QString &name, qint64 now);
    void clear(const QString &name);

private:
    void forgetOld(const QString &name, qint64 now);

    QHash<QString, QList<qint64>> m_failures;
};
