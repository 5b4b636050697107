#include "SignInThrottle.h"

qint64 SignInThrottle::admit(const QString &name, qint64 now)
{
    const QMutexLocker lock(&m_mutex);
    // Guessing under ever new names must not grow the table without end.
    if (m_failures.size() >= maximumNames) {
        for (const QString &known : m_failures.keys())
            forgetOld(known, now);
    }
    forgetOld(name, now);
    QList<qint64> &failures = m_failures[name];
    if (failures.size() >= maximumFailures)
        return failures.first() + windowSeconds - now;
    failures.append(now);
    return 0;
}

void SignInThrottle::clear(const QString &name)
{
    const QMutexLocker lock(&m_mutex);
    m_failures.remove(name);
}

void SignInThrottle::forgetOld(const QString &name, qint64 now)
{
    const auto it = m_failures.find(name);
    if (it == m_failures.end())
        return;
    it->removeIf([now](qint64 time) { return time + windowSeconds <= now; });
    if (it->isEmpty())
        m_failures.erase(it);
}
