// orvanta-layout-bridge IMAGE.png
// orvanta-layout-bridge --serve [--warm]
// Prints one JSON object on standard output: the page size, the layout regions and the page's
// recognised text with its mean confidence. The text is read, one engine per core, only when the
// layout leaves the text route open: a table, chart or photo goes as a picture whatever its
// words say, so its output has regions only. Exit status 0 on success;
// 1 with a message on standard error when the image cannot be read or recognised; 2 on bad usage.
//
// With --serve it reads frames from standard input until it ends, each the line
// "grey8 WIDTH HEIGHT" and then WIDTH*HEIGHT bytes of 8-bit grey pixels, row after row, and
// answers each with the same JSON object on one line, or {"error": MESSAGE} when the frame could
// not be recognised. Its engines stay loaded between frames; --warm loads them at once. A frame
// that breaks this format ends it with status 1 and a message on standard error.

#include "LayoutRegionMapper.h"
#include "ocr/TesseractPageReader.h"
#include "support/OrvantaError.h"
#include "understanding/BridgeFrame.h"

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

bool writeLine(const QJsonObject &object)
{
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    return std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout) == std::size_t(json.size()) &&
           std::fflush(stdout) == 0;
}

int serve(bool warm)
{
    TesseractPageReader reader;
    if (warm)
        reader.warmUpInBackground();
    for (;;) {
        std::optional<QImage> frame;
        try {
            frame = BridgeFrame::read(stdin);
        } catch (const OrvantaError &error) {
            return fail(error.message());
        }
        if (!frame)
            return 0;
        QJsonObject answer;
        try {
            answer = outputOf(reader.read(*frame, LayoutRegionMapper::rulesOutText));
        } catch (const OrvantaError &error) {
            answer = {{QStringLiteral("error"), error.message()}};
        }
        if (!writeLine(answer))
            return fail(QStringLiteral("Cannot write the layout to standard output"));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 2 && arguments.size() <= 3 && arguments.at(1) == QLatin1String("--serve") &&
        (arguments.size() == 2 || arguments.at(2) == QLatin1String("--warm")))
        return serve(arguments.size() == 3);
    if (arguments.size() != 2) {
        fail(QStringLiteral("usage: orvanta-layout-bridge IMAGE.png | --serve [--warm]"));
        return 2;
    }
    QImage image;
    if (!image.load(arguments.at(1), "PNG") || image.isNull())
        return fail(QStringLiteral("Cannot read a PNG image from ") + arguments.at(1));
    try {
        TesseractPageReader reader;
        if (!writeLine(outputOf(reader.read(image, LayoutRegionMapper::rulesOutText))))
            return fail(QStringLiteral("Cannot write the layout to standard output"));
    } catch (const OrvantaError &error) {
        return fail(error.message());
    }
    return 0;
}
