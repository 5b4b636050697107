#include "SessionState.h"

#include <array>

namespace {
constexpr std::array<AuthProvider, 3> allAuthProviders{AuthProvider::apple, AuthProvider::google,
                                                       AuthProvider::developer};
}

QString rawValue(AuthProvider provider)
{
    switch (provider) {
    case AuthProvider::apple:
        return QStringLiteral("apple");
    case AuthProvider::google:
        return QStringLiteral("google");
    case AuthProvider::developer:
        return QStringLiteral("developer");
    }
    return {};
}

std::optional<AuthProvider> authProviderFromRawValue(const QString &raw)
{
    for (AuthProvider provider : allAuthProviders) {
        if (rawValue(provider) == raw)
            return provider;
    }
    return std::nullopt;
}
