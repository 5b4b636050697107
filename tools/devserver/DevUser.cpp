#include "DevUser.h"

namespace {

const QString defaultName = QStringLiteral("dev");
constexpr qsizetype maximumNameLength = 64;

} // namespace

DevUser DevUser::defaultUser()
{
    return {QStringLiteral("dev-user-0001"), QStringLiteral("dev@orvanta.local"), QStringLiteral("Dev User")};
}

std::optional<DevUser> DevUser::named(const QString &userName)
{
    if (userName == defaultName)
        return defaultUser();
    if (userName.isEmpty() || userName.size() > maximumNameLength)
        return std::nullopt;
    QString mailbox;
    for (const QChar c : userName) {
        if (c.category() == QChar::Other_Control)
            return std::nullopt;
        mailbox += (c.isLetterOrNumber() && c.unicode() < 128) ? c.toLower() : QLatin1Char('.');
    }
    // Any other name is allowed, spaces and reserved URL characters included, so user IDs that
    // need percent-encoding can be tried end to end.
    return DevUser{QStringLiteral("dev-user-") + userName, mailbox + QStringLiteral("@orvanta.local"),
                   QStringLiteral("Dev User (%1)").arg(userName)};
}

QStringList DevUser::offeredNames()
{
    return {defaultName, QStringLiteral("alice"), QStringLiteral("bob")};
}
