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
    int delayMs = 0;
    int times = 1;
};

class FaultInjector
{
public:
    // Parses a fault request ({"path", "status", "body", "content_type", "delay_ms", "times"});
    // a string is the reason the request is unusable.
    static std::variant<std::pair<QString, Fault>, QString> parse(const QJsonObject &object);

    // Faults for one path are used in the order they were added.
    void add(const QString &path, const Fault &fault);
    void clear();
    // The fault that answers the next request to this path, if any; uses up one of its times.
    std::optional<Fault> take(const QString &path);

private:
    QHash<QString, QList<Fault>> m_faults;
};
