#include "SessionManagerError.h"

QString SessionManagerError::message() const
{
    switch (m_kind) {
    case Kind::cognitoNotConfigured:
        return QStringLiteral("Google sign-in is not configured yet. Add the Cognito domain URL and app client ID in "
                              "Settings.");
    case Kind::invalidCallback:
        return QStringLiteral("Sign-in could not complete.");
    case Kind::tokenExchangeFailed:
        return QStringLiteral("Orvanta could not exchange the sign-in code for a session.");
    case Kind::invalidIDToken:
        return QStringLiteral("Orvanta could not read the identity token returned by Cognito.");
    }
    return {};
}
