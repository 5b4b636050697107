#pragma once

#include "support/OrvantaError.h"

// Errors of text recognition.
class OCRError : public OrvantaError
{
public:
    enum class Kind { visionFailed, cgImageUnavailable, noTextRecognized };

    static OCRError visionFailed(const QString &details) { return OCRError(Kind::visionFailed, details); }
    static OCRError cgImageUnavailable() { return OCRError(Kind::cgImageUnavailable); }
    static OCRError noTextRecognized() { return OCRError(Kind::noTextRecognized); }

    Kind kind() const { return m_kind; }
    QString message() const override
    {
        switch (m_kind) {
        case Kind::visionFailed:
            return QStringLiteral("OCR failed while reading the selected image. ") + m_details;
        case Kind::cgImageUnavailable:
            return QStringLiteral("The captured selection could not be converted into an OCR image.");
        case Kind::noTextRecognized:
            return QStringLiteral("No text was recognized in the selected area.");
        }
        return {};
    }

    bool operator==(const OCRError &other) const { return m_kind == other.m_kind && m_details == other.m_details; }

private:
    explicit OCRError(Kind kind, QString details = {}) : m_kind(kind), m_details(std::move(details)) {}

    Kind m_kind;
    QString m_details;
};
