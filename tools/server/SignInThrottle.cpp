#include "SignInThrottle.h"

qint64 SignInThrottle::waitSeconds(const QString &name, qint64 now)
{
    forgetOld(name, now);
    const QList<qint64> failures = m_failures.value(name);
    if (failures.size() < maximumFailures)
        return 0;
    return failures.first() + windowSeconds - now;
}

void SignInThrottle::recordFailure(const QString &name, qint64 now)
{
    // Guessing under ever new names must not grow the table without end.
    if (m_failures.size() >= maximumNames) {
        for (const QString &known : m_failures.keys())
            forgetOld(known, now);
    }
    forgetOld(name, now);
    m_failures[name].append(now);
}

void SignInThrottle::clear(const QString &name)
{
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
