#pragma once

#include "support/OrvantaError.h"

// Errors of sign-in and session refresh.
class SessionManagerError : public OrvantaError
{
public:
    enum class Kind { cognitoNotConfigured, invalidCallback, tokenExchangeFailed, invalidIDToken };

    explicit SessionManagerError(Kind kind) : m_kind(kind) {}

    Kind kind() const { return m_kind; }
    QString message() const override;

private:
    Kind m_kind;
};
