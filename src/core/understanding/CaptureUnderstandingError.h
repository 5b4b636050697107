#pragma once

#include "support/OrvantaError.h"

// Errors of capture understanding: the layout bridge, text extraction and image preparation.
class CaptureUnderstandingError : public OrvantaError
{
public:
    enum class Kind {
        paddleBridgeUnavailable,
        invalidBridgeOutput,
        textExtractionFailed,
        imagePreparationFailed,
        paddleBridgeTimedOut
    };

    explicit CaptureUnderstandingError(Kind kind) : m_kind(kind) {}

    Kind kind() const { return m_kind; }
    QString message() const override
    {
        switch (m_kind) {
        case Kind::paddleBridgeUnavailable:
            return QStringLiteral("Paddle layout analysis is not available.");
        case Kind::invalidBridgeOutput:
            return QStringLiteral("The Paddle bridge returned invalid layout output.");
        case Kind::textExtractionFailed:
            return QStringLiteral("The screenshot could not be converted into text.");
        case Kind::imagePreparationFailed:
            return QStringLiteral("The screenshot could not be prepared for image understanding.");
        case Kind::paddleBridgeTimedOut:
            return QStringLiteral("Paddle layout analysis timed out.");
        }
        return {};
    }

    bool operator==(const CaptureUnderstandingError &other) const { return m_kind == other.m_kind; }

private:
    Kind m_kind;
};
