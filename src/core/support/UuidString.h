#pragma once

#include <QString>
#include <QUuid>

// UUIDs are written upper-case with hyphens and no braces, the form stored files use.
inline QString uuidString(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}
