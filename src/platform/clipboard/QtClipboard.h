#pragma once

#include "support/Clipboard.h"

// The desktop clipboard through Qt: images as images, text as plain text.
class QtClipboard : public Clipboard
{
public:
    void writeImage(const QImage &image) override;
    void writeText(const QString &text) override;
};
