#include "HostedWire.h"

#include "HttpExchange.h"
#include "JsonFields.h"
#include "support/OrvantaError.h"

#include <QJsonArray>

#include <nlohmann/json.hpp>

namespace {
using ordered_json = nlohmann::ordered_json;

std::string utf8(const QString &text)
{
    return text.toStdString();
}

QByteArray dump(const ordered_json &json)
{
    try {
        return QByteArray::fromStdString(json.dump());
    } catch (const nlohmann::json::exception &error) {
        throw LibraryError(QString::fromUtf8(error.what()));
    }
}

ordered_json presetJson(const StoredPromptPreset &preset)
{
    ordered_json json = ordered_json::object();
    json["id"] = utf8(preset.id);
    json["title"] = utf8(preset.title);
    json["subtitle"] = utf8(preset.subtitle);
    json["prompt"] = utf8(preset.prompt);
    return json;
}
} // namespace

std::optional<QUrl> HostedWire::endpointURL(const QString &baseURL, const QString &path)
{
    const QUrl url(baseURL + path, QUrl::StrictMode);
    if (!HttpExchange::mayCarryCredentials(url))
        return std::nullopt;
    return url;
}

std::optional<QUrl> HostedWire::presetFetchURL(const QString &baseURL, const QString &userID)
{
    std::optional<QUrl> url = endpointURL(baseURL, presetsPath);
    if (!url)
        return std::nullopt;
    url->setQuery(HttpExchange::encodeQuery({{QStringLiteral("user_id"), userID}}), QUrl::StrictMode);
    if (!url->isValid())
        return std::nullopt;
    return url;
}

QByteArray HostedWire::encodeAnswerRequest(const CaptureAnswerInput &input, const QString &question,
                                           const QList<ConversationTurn> &history, const QString &userID)
{
    const bool imageMode = input.mode == CaptureUnderstandingMode::image;
    ordered_json json = ordered_json::object();
    json["user_id"] = utf8(userID);
    json["capture_mode"] = imageMode ? "IMAGE" : "TEXT";
    json["ocr_text"] = utf8(input.ocrText.value_or(QString()));
    json["question"] = utf8(question);
    ordered_json turns = ordered_json::array();
    for (const ConversationTurn &turn : history) {
        ordered_json entry = ordered_json::object();
        entry["question"] = utf8(turn.question);
        entry["answer"] = utf8(turn.answer);
        turns.push_back(std::move(entry));
    }
    json["history"] = std::move(turns);
    // Only the first question about a capture carries the picture; follow-ups refer back to it.
    if (imageMode && history.isEmpty()) {
        if (input.imageBase64)
            json["image_base64"] = utf8(*input.imageBase64);
        if (input.imageMimeType)
            json["image_mime_type"] = utf8(*input.imageMimeType);
        if (input.imageWidth)
            json["image_width"] = *input.imageWidth;
        if (input.imageHeight)
            json["image_height"] = *input.imageHeight;
    }
    if (input.routeSummary)
        json["route_summary"] = input.routeSummary->toJson();
    return dump(json);
}

HostedWire::AnswerResponse HostedWire::decodeAnswerResponse(const QByteArray &body)
{
    const QString what = QStringLiteral("answer reply");
    const QJsonObject object = JsonFields::parseObject(body, what);
    return {JsonFields::requiredString(object, QStringLiteral("answer"), what),
            JsonFields::requiredString(object, QStringLiteral("provider"), what),
            JsonFields::requiredString(object, QStringLiteral("model"), what)};
}

QByteArray HostedWire::encodePresetUpdate(const QString &userID, const QList<StoredPromptPreset> &presets)
{
    ordered_json json = ordered_json::object();
    json["user_id"] = utf8(userID);
    ordered_json list = ordered_json::array();
    for (const StoredPromptPreset &preset : presets)
        list.push_back(presetJson(preset));
    json["presets"] = std::move(list);
    return dump(json);
}

QList<StoredPromptPreset> HostedWire::decodePresetResponse(const QByteArray &body)
{
    const QString what = QStringLiteral("preset reply");
    const QJsonObject object = JsonFields::parseObject(body, what);
    const QJsonValue list = object.value(QStringLiteral("presets"));
    if (!list.isArray())
        throw LibraryError(QStringLiteral("The preset reply could not be read: \"presets\" is not a list."));
    QList<StoredPromptPreset> presets;
    for (const QJsonValue &entry : list.toArray()) {
        if (!entry.isObject())
            throw LibraryError(QStringLiteral("The preset reply could not be read: a preset is not an object."));
        const QJsonObject preset = entry.toObject();
        presets.append({JsonFields::requiredString(preset, QStringLiteral("id"), what),
                        JsonFields::requiredString(preset, QStringLiteral("title"), what),
                        JsonFields::requiredString(preset, QStringLiteral("subtitle"), what),
                        JsonFields::requiredString(preset, QStringLiteral("prompt"), what)});
    }
    return presets;
}

std::optional<QString> HostedWire::errorEnvelopeMessage(const QByteArray &body)
{
    try {
        const QString what = QStringLiteral("error reply");
        const QJsonObject object = JsonFields::parseObject(body, what);
        JsonFields::requiredString(object, QStringLiteral("error"), what);
        return JsonFields::requiredString(object, QStringLiteral("message"), what);
    } catch (const LibraryError &) {
        return std::nullopt;
    }
}

AIProviderError HostedWire::mapAnswerAPIError(const QString &message, const CaptureAnswerInput &input, int statusCode)
{
    if (input.mode == CaptureUnderstandingMode::image && (statusCode == 400 || statusCode == 500)) {
        const QString normalized = message.trimmed().toLower();
        if (normalized == QStringLiteral("ocr_text is required.") ||
            normalized == QStringLiteral("ocr_text is required for text capture mode."))
            return AIProviderError::backendImageModeUnsupported();
    }
    return AIProviderError::apiError(message);
}
