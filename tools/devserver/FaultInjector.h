#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>
#include <variant>

// Replies that tests ask for in place of the real handling of a path.
struct Fault
{
    int status = 500;
    QByteArray body;
    QByteArray contentType = "application/json";
    // Sent as the Location header when set, so a fault can be a redirect.
    QByteArray location;
    // Closes the connection without an answer instead, as a crashed or overloaded server does.
    bool close = false;
    int delayMs = 0;
    int times = 1;
};

// Bounded in number and size, so a test (or anyone else) cannot make the server hold without
// limit, and never answering for the paths a browser shows as sign-in pages.
class FaultInjector
{
public:
    static constexpr qsizetype maximumFaults = 64;
    static constexpr qsizetype maximumBodyBytes = 1 << 20;

    // Parses a fault request ({"path", "status", "body", "content_type", "location", "close",
    // "delay_ms", "times"}); a string is the reason the request is unusable.
    static std::variant<std::pair<QString, Fault>, QString> parse(const QJsonObject &object);

    // Paths that no fault may answer for.
    void shield(const QString &path) { m_shielded.append(path); }
    // Faults for one path are used in the order they were added; the reason when it is refused.
    std::optional<QString> add(const QString &path, const Fault &fault);
    void clear();
    // The fault that answers the next request to this path, if any; uses up one of its times.
    std::optional<Fault> take(const QString &path);

private:
    QHash<QString, QList<Fault>> m_faults;
    qsizetype m_count = 0;
    QList<QString> m_shielded;
};
