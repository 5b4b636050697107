#include "PresetService.h"

#include "DevServerLog.h"
#include "FormFields.h"
#include "IdentityProvider.h"
#include "PresetStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

namespace {

const QString userIdKey = QStringLiteral("user_id");
const QString presetsKey = QStringLiteral("presets");
const QStringList presetKeys{QStringLiteral("id"), QStringLiteral("title"), QStringLiteral("subtitle"),
                             QStringLiteral("prompt")};

DevReply badRequest(const QString &message)
{
    return DevReply::envelope(400, QStringLiteral("bad_request"), message);
}

DevReply storeFailure(const QString &error)
{
    qCWarning(lcDevServer) << "preset store failed:" << error;
    return DevReply::envelope(500, QStringLiteral("internal_error"), QStringLiteral("The preset store failed."));
}

DevReply presetsReply(const QList<StoredPromptPreset> &presets)
{
    QJsonArray items;
    for (const StoredPromptPreset &preset : presets)
        items.append(QJsonObject{{QStringLiteral("id"), preset.id},
                                 {QStringLiteral("title"), preset.title},
                                 {QStringLiteral("subtitle"), preset.subtitle},
                                 {QStringLiteral("prompt"), preset.prompt}});
    return DevReply::json(200, {{presetsKey, items}});
}

// The presets of an update body, or what is wrong with them.
std::variant<QList<StoredPromptPreset>, QString> parsePresets(const QJsonValue &value)
{
    if (!value.isArray())
        return QStringLiteral("presets must be an array.");
    QList<StoredPromptPreset> presets;
    QSet<QString> ids;
    const QJsonArray items = value.toArray();
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString label = QStringLiteral("presets[%1]").arg(i);
        if (!items.at(i).isObject())
            return label + QStringLiteral(" must be an object.");
        const QJsonObject item = items.at(i).toObject();
        for (auto it = item.begin(); it != item.end(); ++it) {
            if (!presetKeys.contains(it.key()))
                return label + QStringLiteral(" has an unknown field \"%1\".").arg(it.key());
        }
        QStringList texts;
        for (const QString &key : presetKeys) {
            if (!item.value(key).isString())
                return label + QStringLiteral(".%1 is required and must be a string.").arg(key);
            texts.append(item.value(key).toString());
        }
        if (texts[0].isEmpty())
            return label + QStringLiteral(".id must not be empty.");
        if (ids.contains(texts[0]))
            return label + QStringLiteral(".id \"%1\" is repeated.").arg(texts[0]);
        ids.insert(texts[0]);
        presets.append({texts[0], texts[1], texts[2], texts[3]});
    }
    return presets;
}

} // namespace

PresetService::PresetService(const IdentityProvider &identity, PresetStore &store)
    : m_identity(identity)
    , m_store(store)
{}

DevReply PresetService::fetch(const DevRequest &request) const
{
    const auto subject = m_identity.authenticate(request);
    if (const auto *refusal = std::get_if<DevReply>(&subject))
        return *refusal;
    const FormFields query = FormFields::parse(request.query.toUtf8());
    if (query.repeatedName() == userIdKey)
        return badRequest(QStringLiteral("user_id is repeated."));
    const QString userId = query.value(userIdKey).value_or(QString());
    if (userId.isEmpty())
        return badRequest(QStringLiteral("user_id is required."));
    if (userId != std::get<QString>(subject))
        return IdentityProvider::wrongUser();
    const auto presets = m_store.load(userId);
    if (const auto *error = std::get_if<QString>(&presets))
        return storeFailure(*error);
    return presetsReply(std::get<QList<StoredPromptPreset>>(presets));
}

DevReply PresetService::update(const DevRequest &request)
{
    const auto subject = m_identity.authenticate(request);
    if (const auto *refusal = std::get_if<DevReply>(&subject))
        return *refusal;
    const QJsonDocument document = QJsonDocument::fromJson(request.body);
    if (!document.isObject())
        return badRequest(QStringLiteral("The body must be a JSON object."));
    const QJsonObject body = document.object();
    for (auto it = body.begin(); it != body.end(); ++it) {
        if (it.key() != userIdKey && it.key() != presetsKey)
            return badRequest(QStringLiteral("unknown field \"%1\".").arg(it.key()));
    }
    if (!body.value(userIdKey).isString() || body.value(userIdKey).toString().isEmpty())
        return badRequest(QStringLiteral("user_id is required and must be a non-empty string."));
    const auto presets = parsePresets(body.value(presetsKey));
    if (const auto *problem = std::get_if<QString>(&presets))
        return badRequest(*problem);
    const QString userId = body.value(userIdKey).toString();
    if (userId != std::get<QString>(subject))
        return IdentityProvider::wrongUser();
    if (const auto error = m_store.replace(userId, std::get<QList<StoredPromptPreset>>(presets)))
        return storeFailure(*error);
    return presetsReply(std::get<QList<StoredPromptPreset>>(presets));
}
