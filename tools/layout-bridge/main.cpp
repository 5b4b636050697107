// orvanta-layout-bridge IMAGE.png
// Prints one JSON object on standard output: the page size, the layout regions and the page's
// recognised text with its mean confidence. The text is read, one engine per core, only when the
// layout leaves the text route open: a table, chart or photo goes as a picture whatever its
// words say, so its output has regions only. Exit status 0 on success;
// 1 with a message on standard error when the image cannot be read or recognised; 2 on bad usage.

#include "LayoutRegionMapper.h"
#include "ocr/TesseractPageReader.h"
#include "support/OrvantaError.h"

#include <QCoreApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fputs(qPrintable(message + QLatin1Char('\n')), stderr);
    return 1;
}

QJsonObject outputOf(const PageRecognition &page)
{
    QJsonArray regions;
    for (const LayoutRegion &region : LayoutRegionMapper::regionsOf(page)) {
        const QRectF &box = region.boundingBox;
        regions.append(
            QJsonObject{{QStringLiteral("type"), rawValue(region.type)},
                        {QStringLiteral("score"), region.score},
                        {QStringLiteral("bbox"), QJsonArray{box.left(), box.top(), box.right(), box.bottom()}}});
    }
    QJsonObject output{{QStringLiteral("page_width"), page.pageSize.width()},
                       {QStringLiteral("page_height"), page.pageSize.height()},
                       {QStringLiteral("regions"), regions}};
    const OCRResult text = TesseractEngine::joinedText(page.lines);
    if (page.recognised && !text.text.isEmpty()) {
        output.insert(QStringLiteral("text"), text.text);
        output.insert(QStringLiteral("confidence"), text.confidence);
    }
    return output;
}

} // namespace

int main(int argc, char *argv[])
{
    // Before Tesseract starts its OpenMP pool: one thread is several times faster on small machines.
    if (qEnvironmentVariableIsEmpty("OMP_THREAD_LIMIT"))
        qputenv("OMP_THREAD_LIMIT", "1");
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        fail(QStringLiteral("usage: orvanta-layout-bridge IMAGE.png"));
        return 2;
    }
    QImage image;
    if (!image.load(arguments.at(1), "PNG") || image.isNull())
        return fail(QStringLiteral("Cannot read a PNG image from ") + arguments.at(1));
    try {
        // The engines load only for pages whose text is read, each on the thread reading its band:
        // loading them sooner slows the layout analysis that decides whether any is needed.
        TesseractPageReader reader;
        const QJsonObject output = outputOf(reader.read(image, LayoutRegionMapper::rulesOutText));
        const QByteArray json = QJsonDocument(output).toJson(QJsonDocument::Compact) + '\n';
        if (std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout) != std::size_t(json.size()) ||
            std::fflush(stdout) != 0)
            return fail(QStringLiteral("Cannot write the layout to standard output"));
    } catch (const OrvantaError &error) {
        return fail(error.message());
    }
    return 0;
}
