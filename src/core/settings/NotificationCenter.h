#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

// The process-wide notification centre: named notifications with an optional object. The
// composition root creates the one instance and hands it to whoever posts or observes.
class NotificationCenter : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void post(const QString &name, const QVariant &object = {}) { Q_EMIT posted(name, object); }

Q_SIGNALS:
    void posted(const QString &name, const QVariant &object);
};
