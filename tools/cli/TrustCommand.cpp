// orvanta-cli trust: {"text", "confidence", "line_count"} on standard input -> whether the
// fallback path would send that recognised text as text.
#include "CliCommands.h"
#include "CliIo.h"

#include "support/OrvantaError.h"
#include "understanding/CaptureRouteDecider.h"

#include <climits>

namespace {

using Json = nlohmann::json;

const Json &field(const Json &document, const char *key, bool (Json::*hasType)() const noexcept, const char *type)
{
    const auto it = document.find(key);
    if (it == document.end() || !((*it).*hasType)())
        throw LibraryError(
            QStringLiteral("The input needs \"%1\" as %2.").arg(QLatin1String(key), QLatin1String(type)));
    return *it;
}

} // namespace

QCoro::Task<int> runTrustCommand(QStringList arguments)
{
    requireArgumentCount(arguments, 0, "trust < {\"text\", \"confidence\", \"line_count\"}");
    const QByteArray input = readStandardInput();
    Json document;
    try {
        document = Json::parse(input.begin(), input.end());
    } catch (const Json::exception &error) {
        throw LibraryError(QString::fromUtf8(error.what()));
    }
    if (!document.is_object())
        throw LibraryError(QStringLiteral("The input is not a JSON object."));

    OCRResult ocr;
    ocr.text = QString::fromStdString(field(document, "text", &Json::is_string, "a string").get<std::string>());
    ocr.confidence = field(document, "confidence", &Json::is_number, "a number").get<double>();
    const Json &lines = field(document, "line_count", &Json::is_number_integer, "an integer");
    if (lines.get<long long>() < INT_MIN || lines.get<long long>() > INT_MAX)
        throw LibraryError(QStringLiteral("\"line_count\" is out of range."));
    ocr.lineCount = static_cast<int>(lines.get<long long>());

    const QSizeF unusedPageSize;
    printJson({{"trust", CaptureRouteDecider().shouldTrustFallbackOCRResult(ocr, unusedPageSize)}});
    co_return 0;
}
