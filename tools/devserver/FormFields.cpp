#include "FormFields.h"

#include <QSet>
#include <QUrl>

namespace {

QString decode(QByteArray piece)
{
    piece.replace('+', ' ');
    return QUrl::fromPercentEncoding(piece);
}

} // namespace

FormFields FormFields::parse(const QByteArray &encoded)
{
    FormFields fields;
    for (const QByteArray &pair : encoded.split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype equals = pair.indexOf('=');
        if (equals < 0)
            fields.m_fields.emplaceBack(decode(pair), QString());
        else
            fields.m_fields.emplaceBack(decode(pair.left(equals)), decode(pair.mid(equals + 1)));
    }
    return fields;
}

std::optional<QString> FormFields::value(const QString &name) const
{
    for (const auto &[key, value] : m_fields) {
        if (key == name)
            return value;
    }
    return std::nullopt;
}

std::optional<QString> FormFields::repeatedName() const
{
    QSet<QString> seen;
    for (const auto &field : m_fields) {
        if (seen.contains(field.first))
            return field.first;
        seen.insert(field.first);
    }
    return std::nullopt;
}
