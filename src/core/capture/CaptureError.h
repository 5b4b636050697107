#pragma once

#include "support/OrvantaError.h"

#include <optional>

// Errors of region selection and capture.
class CaptureError : public OrvantaError
{
public:
    enum class Kind {
        screenshotFailed,
        shareableContentFailed,
        noScreenAvailable,
        selectionCancelled,
        selectionTooSmall,
        screenRecordingPermissionDenied
    };

    static CaptureError screenshotFailed(std::optional<QString> details = std::nullopt)
    {
        return CaptureError(Kind::screenshotFailed, std::move(details));
    }
    static CaptureError shareableContentFailed(std::optional<QString> details = std::nullopt)
    {
        return CaptureError(Kind::shareableContentFailed, std::move(details));
    }
    static CaptureError noScreenAvailable() { return CaptureError(Kind::noScreenAvailable); }
    static CaptureError selectionCancelled() { return CaptureError(Kind::selectionCancelled); }
    static CaptureError selectionTooSmall() { return CaptureError(Kind::selectionTooSmall); }
    static CaptureError screenRecordingPermissionDenied()
    {
        return CaptureError(Kind::screenRecordingPermissionDenied);
    }

    Kind kind() const { return m_kind; }
    const std::optional<QString> &details() const { return m_details; }
    QString message() const override;

    bool operator==(const CaptureError &other) const { return m_kind == other.m_kind && m_details == other.m_details; }

private:
    explicit CaptureError(Kind kind, std::optional<QString> details = std::nullopt)
        : m_kind(kind)
        , m_details(std::move(details))
    {}

    Kind m_kind;
    std::optional<QString> m_details;
};
