#pragma once

#include "support/OrvantaError.h"

// Errors of the hosted backend client.
class AIProviderError : public OrvantaError
{
public:
    enum class Kind { apiError, invalidBaseURL, emptyResponse, backendImageModeUnsupported };

    static AIProviderError apiError(const QString &message) { return AIProviderError(Kind::apiError, message); }
    static AIProviderError invalidBaseURL() { return AIProviderError(Kind::invalidBaseURL); }
    static AIProviderError emptyResponse() { return AIProviderError(Kind::emptyResponse); }
    static AIProviderError backendImageModeUnsupported() { return AIProviderError(Kind::backendImageModeUnsupported); }

    Kind kind() const { return m_kind; }
    QString message() const override;

    bool operator==(const AIProviderError &other) const
    {
        return m_kind == other.m_kind && m_apiMessage == other.m_apiMessage;
    }

private:
    explicit AIProviderError(Kind kind, QString apiMessage = {}) : m_kind(kind), m_apiMessage(std::move(apiMessage)) {}

    Kind m_kind;
    QString m_apiMessage;
};
