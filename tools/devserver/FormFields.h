#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// Name-value pairs of a URL query or an application/x-www-form-urlencoded body, decoded the way
// web servers decode them ("+" is a space).
class FormFields
{
public:
    static FormFields parse(const QByteArray &encoded);

    std::optional<QString> value(const QString &name) const;
    // The first name that occurs more than once, if any.
    std::optional<QString> repeatedName() const;

private:
    QList<QPair<QString, QString>> m_fields;
};
