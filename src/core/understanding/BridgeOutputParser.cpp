#include "BridgeOutputParser.h"

#include "CaptureUnderstandingError.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace {

using Json = nlohmann::json;

[[noreturn]] void failDecoding(const QString &what)
{
    throw LibraryError(QStringLiteral("The layout bridge output could not be decoded: ") + what);
}

QString keyPath(const char *key, std::size_t regionIndex)
{
    return QStringLiteral("regions[%1].%2").arg(regionIndex).arg(QLatin1String(key));
}

const Json &required(const Json &object, const char *key, const QString &path)
{
    const auto it = object.find(key);
    if (it == object.end())
        failDecoding(QStringLiteral("missing key \"%1\".").arg(path));
    return *it;
}

double numberValue(const Json &value, const QString &path)
{
    if (!value.is_number())
        failDecoding(QStringLiteral("\"%1\" is not a number.").arg(path));
    const double number = value.get<double>();
    if (!std::isfinite(number))
        failDecoding(QStringLiteral("\"%1\" is out of range.").arg(path));
    return number;
}

// A key that may be absent; null counts as absent, as it does for the bridge's other readers.
const Json *optionalValue(const Json &object, const char *key)
{
    const auto it = object.find(key);
    return it == object.end() || it->is_null() ? nullptr : &*it;
}

std::optional<double> optionalNumber(const Json &object, const char *key)
{
    const Json *value = optionalValue(object, key);
    return value ? std::optional(numberValue(*value, QLatin1String(key))) : std::nullopt;
}

struct DecodedRegion
{
    std::string type;
    double score = 0.0;
    std::vector<double> corners;
};

DecodedRegion decodeRegion(const Json &object, std::size_t index)
{
    if (!object.is_object())
        failDecoding(QStringLiteral("\"regions[%1]\" is not an object.").arg(index));
    DecodedRegion region;
    const Json &type = required(object, "type", keyPath("type", index));
    if (!type.is_string())
        failDecoding(QStringLiteral("\"%1\" is not a string.").arg(keyPath("type", index)));
    region.type = type.get<std::string>();
    region.score = numberValue(required(object, "score", keyPath("score", index)), keyPath("score", index));
    const Json &bbox = required(object, "bbox", keyPath("bbox", index));
    if (!bbox.is_array())
        failDecoding(QStringLiteral("\"%1\" is not an array.").arg(keyPath("bbox", index)));
    region.corners.reserve(bbox.size());
    for (const Json &corner : bbox)
        region.corners.push_back(numberValue(corner, keyPath("bbox", index)));
    return region;
}

// Checked only once the whole document has decoded, so a decoding error anywhere wins.
LayoutRegion validatedRegion(const DecodedRegion &decoded)
{
    const std::optional<LayoutRegionType> type = layoutRegionTypeFromRawValue(QString::fromStdString(decoded.type));
    if (decoded.corners.size() != 4 || !type)
        throw CaptureUnderstandingError(CaptureUnderstandingError::Kind::invalidBridgeOutput);
    // Opposite corners, kept as given: a reversed box gets a negative size, which filtering drops.
    const std::vector<double> &c = decoded.corners;
    return LayoutRegion{QUuid::createUuid(), *type, decoded.score, QRectF(c[0], c[1], c[2] - c[0], c[3] - c[1])};
}

} // namespace

PaddleOCRBridgeOutput BridgeOutputParser::parse(const QByteArray &standardOutput, QSizeF defaultPageSize)
{
    if (standardOutput.isEmpty())
        throw CaptureUnderstandingError(CaptureUnderstandingError::Kind::invalidBridgeOutput);

    Json document;
    try {
        document = Json::parse(standardOutput.begin(), standardOutput.end());
    } catch (const Json::exception &error) {
        failDecoding(QString::fromUtf8(error.what()));
    }
    if (!document.is_object())
        failDecoding(QStringLiteral("the document is not an object."));

    PaddleOCRBridgeOutput output;
    output.pageSize = QSizeF(optionalNumber(document, "page_width").value_or(defaultPageSize.width()),
                             optionalNumber(document, "page_height").value_or(defaultPageSize.height()));
    if (const Json *text = optionalValue(document, "text")) {
        if (!text->is_string())
            failDecoding(QStringLiteral("\"text\" is not a string."));
        output.text = QString::fromStdString(text->get_ref<const std::string &>());
    }
    output.confidence = optionalNumber(document, "confidence");

    const Json &regions = required(document, "regions", QStringLiteral("regions"));
    if (!regions.is_array())
        failDecoding(QStringLiteral("\"regions\" is not an array."));
    std::vector<DecodedRegion> decoded;
    decoded.reserve(regions.size());
    for (std::size_t index = 0; index < regions.size(); ++index)
        decoded.push_back(decodeRegion(regions[index], index));
    output.regions.reserve(static_cast<qsizetype>(decoded.size()));
    for (const DecodedRegion &region : decoded)
        output.regions.append(validatedRegion(region));
    return output;
}
