#pragma once

#include "KeyValueStore.h"

#include <QVariantMap>

// A store that lives as long as the object: for tests and for tools that must not touch the
// user's settings.
class InMemoryKeyValueStore : public KeyValueStore
{
public:
    QVariant value(const QString &key) const override { return m_values.value(key); }
    void setValue(const QString &key, const QVariant &value) override { m_values.insert(key, value); }
    void remove(const QString &key) override { m_values.remove(key); }

private:
    QVariantMap m_values;
};
