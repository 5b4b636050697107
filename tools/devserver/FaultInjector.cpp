#include "FaultInjector.h"

#include <QJsonValue>

namespace {

// A whole number within [minimum, maximum], or none.
std::optional<int> boundedInteger(const QJsonValue &value, int minimum, int maximum)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != static_cast<double>(static_cast<qint64>(number)) || number < minimum || number > maximum)
        return std::nullopt;
    return static_cast<int>(number);
}

} // namespace

std::variant<std::pair<QString, Fault>, QString> FaultInjector::parse(const QJsonObject &object)
{
    const QJsonValue path = object.value(QStringLiteral("path"));
    if (!path.isString() || !path.toString().startsWith(QLatin1Char('/')))
        return QStringLiteral("path must be a string starting with \"/\".");
    Fault fault;
    struct IntegerField
    {
        QString key;
        int minimum;
        int maximum;
        int *target;
    };
    const IntegerField integers[] = {
        {QStringLiteral("status"), 100, 599, &fault.status},
        {QStringLiteral("delay_ms"), 0, 600000, &fault.delayMs},
        {QStringLiteral("times"), 1, 1000, &fault.times},
    };
    for (const IntegerField &field : integers) {
        if (!object.contains(field.key))
            continue;
        const auto value = boundedInteger(object.value(field.key), field.minimum, field.maximum);
        if (!value)
            return field.key +
                   QStringLiteral(" must be an integer from %1 to %2.").arg(field.minimum).arg(field.maximum);
        *field.target = *value;
    }
    const std::pair<QString, QByteArray *> strings[] = {{QStringLiteral("body"), &fault.body},
                                                        {QStringLiteral("content_type"), &fault.contentType},
                                                        {QStringLiteral("location"), &fault.location}};
    for (const auto &[key, target] : strings) {
        if (!object.contains(key))
            continue;
        if (!object.value(key).isString())
            return key + QStringLiteral(" must be a string.");
        *target = object.value(key).toString().toUtf8();
    }
    const QJsonValue close = object.value(QStringLiteral("close"));
    if (!close.isUndefined() && !close.isBool())
        return QStringLiteral("close must be true or false.");
    fault.close = close.toBool();
    if (fault.body.size() > maximumBodyBytes)
        return QStringLiteral("body must be at most %1 bytes.").arg(maximumBodyBytes);
    for (const auto &[key, value] : {std::pair{QStringLiteral("content_type"), fault.contentType},
                                     std::pair{QStringLiteral("location"), fault.location}}) {
        if (value.contains('\r') || value.contains('\n'))
            return key + QStringLiteral(" must be one line.");
    }
    return std::pair{path.toString(), fault};
}

std::optional<QString> FaultInjector::add(const QString &path, const Fault &fault)
{
    if (m_shielded.contains(path))
        return QStringLiteral("%1 is a sign-in page; faults are never served there.").arg(path);
    if (m_count == maximumFaults)
        return QStringLiteral("At most %1 faults can wait at a time.").arg(maximumFaults);
    m_faults[path].append(fault);
    ++m_count;
    return std::nullopt;
}

void FaultInjector::clear()
{
    m_faults.clear();
    m_count = 0;
}

std::optional<Fault> FaultInjector::take(const QString &path)
{
    const auto it = m_faults.find(path);
    if (it == m_faults.end())
        return std::nullopt;
    Fault &next = it->first();
    const Fault taken = next;
    if (--next.times == 0) {
        it->removeFirst();
        --m_count;
        if (it->isEmpty())
            m_faults.erase(it);
    }
    return taken;
}
