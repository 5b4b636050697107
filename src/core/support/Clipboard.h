#pragma once

#include <QImage>
#include <QString>

// The general clipboard: each write replaces its contents.
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    virtual void writeImage(const QImage &image) = 0;
    virtual void writeText(const QString &text) = 0;
};
