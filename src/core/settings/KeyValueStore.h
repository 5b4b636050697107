#pragma once

#include <QString>
#include <QVariant>

// The per-user defaults database: a string-keyed store of strings, string lists and byte arrays
// that survives restarts.
class KeyValueStore
{
public:
    virtual ~KeyValueStore() = default;

    // An invalid QVariant when the key is absent.
    virtual QVariant value(const QString &key) const = 0;
    virtual void setValue(const QString &key, const QVariant &value) = 0;
    virtual void remove(const QString &key) = 0;
};
