#pragma once

#include <QString>

// Recognised text of a capture: lines joined with a line feed.
struct OCRResult
{
    QString text;
    int lineCount = 0;
    double confidence = 0.0; // mean line confidence, 0...1

    bool operator==(const OCRResult &) const = default;
};
