#include "AIProviderError.h"

QString AIProviderError::message() const
{
    switch (m_kind) {
    case Kind::apiError:
        return m_apiMessage;
    case Kind::invalidBaseURL:
        return QStringLiteral("The hosted backend URL is invalid.");
    case Kind::emptyResponse:
        return QStringLiteral("The model returned an empty response.");
    case Kind::backendImageModeUnsupported:
        return QStringLiteral("The deployed backend is still running the old OCR-only protocol. Redeploy the "
                              "/ai/answer backend from this repo to enable image understanding.");
    }
    return {};
}
