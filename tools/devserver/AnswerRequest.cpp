#include "AnswerRequest.h"

#include "models/CaptureRouteSummary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QSet>

namespace {

const QString userIdKey = QStringLiteral("user_id");
const QString captureModeKey = QStringLiteral("capture_mode");
const QString ocrTextKey = QStringLiteral("ocr_text");
const QString questionKey = QStringLiteral("question");
const QString historyKey = QStringLiteral("history");
const QString imageBase64Key = QStringLiteral("image_base64");
const QString imageMimeTypeKey = QStringLiteral("image_mime_type");
const QString imageWidthKey = QStringLiteral("image_width");
const QString imageHeightKey = QStringLiteral("image_height");
const QString routeSummaryKey = QStringLiteral("route_summary");
constexpr int maximumImageSide = 100000;

struct Failure
{
    QString message;
};

QString requiredString(const QJsonObject &object, const QString &key, const QString &label)
{
    if (!object.contains(key))
        throw Failure{label + QStringLiteral(" is required.")};
    if (!object.value(key).isString())
        throw Failure{label + QStringLiteral(" must be a string.")};
    return object.value(key).toString();
}

std::optional<int> optionalSide(const QJsonObject &object, const QString &key)
{
    if (!object.contains(key))
        return std::nullopt;
    const QJsonValue value = object.value(key);
    const double number = value.toDouble();
    if (!value.isDouble() || number != static_cast<double>(static_cast<qint64>(number)) || number < 1 ||
        number > maximumImageSide)
        throw Failure{key + QStringLiteral(" must be an integer from 1 to %1.").arg(maximumImageSide)};
    return static_cast<int>(number);
}

QList<AnswerRequest::Turn> parseHistory(const QJsonObject &object)
{
    if (!object.contains(historyKey))
        throw Failure{QStringLiteral("history is required.")};
    if (!object.value(historyKey).isArray())
        throw Failure{QStringLiteral("history must be an array.")};
    QList<AnswerRequest::Turn> turns;
    const QJsonArray items = object.value(historyKey).toArray();
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString label = QStringLiteral("history[%1]").arg(i);
        if (!items.at(i).isObject())
            throw Failure{label + QStringLiteral(" must be an object.")};
        const QJsonObject turn = items.at(i).toObject();
        for (auto it = turn.begin(); it != turn.end(); ++it) {
            if (it.key() != questionKey && it.key() != QStringLiteral("answer"))
                throw Failure{label + QStringLiteral(" has an unknown field \"%1\".").arg(it.key())};
        }
        turns.append({requiredString(turn, questionKey, label + QStringLiteral(".question")),
                      requiredString(turn, QStringLiteral("answer"), label + QStringLiteral(".answer"))});
    }
    return turns;
}

std::optional<AnswerRequest::Image> parseImage(const QJsonObject &object, bool imageMode, bool firstQuestion)
{
    const bool hasAny = object.contains(imageBase64Key) || object.contains(imageMimeTypeKey) ||
                        object.contains(imageWidthKey) || object.contains(imageHeightKey);
    if (!hasAny)
        return std::nullopt;
    if (!imageMode)
        throw Failure{QStringLiteral("image fields are only allowed in IMAGE capture mode.")};
    if (!firstQuestion)
        throw Failure{QStringLiteral("image fields are only sent with the first question, when history is empty.")};
    if (!object.contains(imageBase64Key))
        throw Failure{QStringLiteral("image_mime_type, image_width and image_height need image_base64.")};
    AnswerRequest::Image image;
    image.base64 = requiredString(object, imageBase64Key, imageBase64Key);
    const auto decoded =
        QByteArray::fromBase64Encoding(image.base64.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || image.base64.isEmpty() || image.base64.toLatin1() != decoded.decoded.toBase64())
        throw Failure{QStringLiteral("image_base64 must be non-empty, padded standard base64.")};
    image.bytes = *decoded;
    if (object.contains(imageMimeTypeKey)) {
        image.mimeType = requiredString(object, imageMimeTypeKey, imageMimeTypeKey);
        if (!image.mimeType->startsWith(QStringLiteral("image/")))
            throw Failure{QStringLiteral("image_mime_type must be an image type such as image/png.")};
    }
    image.width = optionalSide(object, imageWidthKey);
    image.height = optionalSide(object, imageHeightKey);
    return image;
}

QJsonObject parseRouteSummary(const QJsonValue &value)
{
    if (!value.isObject())
        throw Failure{QStringLiteral("route_summary must be an object.")};
    const QJsonObject summary = value.toObject();
    // The keys and their kinds are those the client's record writes.
    const nlohmann::ordered_json expected = CaptureRouteSummary{}.toJson();
    for (auto it = summary.begin(); it != summary.end(); ++it) {
        if (!expected.contains(it.key().toStdString()))
            throw Failure{QStringLiteral("route_summary has an unknown field \"%1\".").arg(it.key())};
    }
    for (const auto &[key, sample] : expected.items()) {
        const QString name = QString::fromStdString(key);
        if (!summary.contains(name))
            throw Failure{QStringLiteral("route_summary.%1 is required.").arg(name)};
        const QJsonValue field = summary.value(name);
        if (sample.is_boolean() && !field.isBool())
            throw Failure{QStringLiteral("route_summary.%1 must be a boolean.").arg(name)};
        if (sample.is_number() && !field.isDouble())
            throw Failure{QStringLiteral("route_summary.%1 must be a number.").arg(name)};
    }
    return summary;
}

AnswerRequest parseObject(const QJsonObject &object)
{
    static const QSet<QString> known{userIdKey,      captureModeKey,   ocrTextKey,    questionKey,    historyKey,
                                     imageBase64Key, imageMimeTypeKey, imageWidthKey, imageHeightKey, routeSummaryKey};
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!known.contains(it.key()))
            throw Failure{QStringLiteral("unknown field \"%1\".").arg(it.key())};
    }
    AnswerRequest request;
    request.userId = requiredString(object, userIdKey, userIdKey);
    if (request.userId.isEmpty())
        throw Failure{QStringLiteral("user_id must not be empty.")};
    const QString mode = requiredString(object, captureModeKey, captureModeKey);
    if (mode != QStringLiteral("TEXT") && mode != QStringLiteral("IMAGE"))
        throw Failure{QStringLiteral("capture_mode must be TEXT or IMAGE.")};
    request.imageMode = mode == QStringLiteral("IMAGE");
    request.ocrText = requiredString(object, ocrTextKey, ocrTextKey);
    request.question = requiredString(object, questionKey, questionKey);
    if (request.question.trimmed().isEmpty())
        throw Failure{QStringLiteral("question must not be empty.")};
    request.history = parseHistory(object);
    request.image = parseImage(object, request.imageMode, request.history.isEmpty());
    if (object.contains(routeSummaryKey))
        request.routeSummary = parseRouteSummary(object.value(routeSummaryKey));
    return request;
}

} // namespace

std::variant<AnswerRequest, QString> AnswerRequest::parse(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("The body is not JSON: %1.").arg(error.errorString());
    if (!document.isObject())
        return QStringLiteral("The body must be a JSON object.");
    try {
        return parseObject(document.object());
    } catch (const Failure &failure) {
        return failure.message;
    }
}
