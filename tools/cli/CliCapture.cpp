#include "CliCapture.h"

#include "CliIo.h"
#include "ocr/TesseractOCRService.h"
#include "support/OrvantaError.h"
#include "understanding/PaddleCaptureUnderstandingService.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>

namespace {
CapturedSelection selectionOf(const QImage &image, const QString &label)
{
    CapturedSelection selection;
    selection.id = QUuid::createUuid();
    selection.previewLabel = label;
    selection.cgImage = image;
    selection.imageSize = QSizeF(image.size());
    selection.selectionRect = QRectF(QPointF(0, 0), QSizeF(image.size()));
    selection.capturedAt = QDateTime::currentDateTimeUtc();
    return selection;
}
} // namespace

CapturedSelection selectionFromImageArgument(const QString &pathOrDash)
{
    if (pathOrDash == QStringLiteral("-")) {
        QByteArray bytes = readStandardInput();
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        const QImage image = reader.read();
        if (image.isNull())
            throw LibraryError(
                QStringLiteral("Could not read an image from standard input: %1").arg(reader.errorString()));
        return selectionOf(image, QStringLiteral("standard input"));
    }
    QImageReader reader(pathOrDash);
    const QImage image = reader.read();
    if (image.isNull())
        throw LibraryError(QStringLiteral("Could not read the image %1: %2").arg(pathOrDash, reader.errorString()));
    return selectionOf(image, QFileInfo(pathOrDash).fileName());
}

ApplicationUnderstanding::ApplicationUnderstanding()
    : m_recognizer(std::make_unique<TesseractOCRService>())
    , m_service(PaddleCaptureUnderstandingService::createShipped(m_recognizer.get()))
{
    // Engines load on the first page that needs them: a table or chart never does.
    m_service->prepareBridge(false);
}

ApplicationUnderstanding::~ApplicationUnderstanding() = default;

QCoro::Task<CaptureUnderstandingResult> ApplicationUnderstanding::understand(CapturedSelection selection)
{
    QCoro::Task<CaptureUnderstandingResult> understanding = m_service->understand(std::move(selection));
    const CaptureUnderstandingResult result = co_await understanding;
    co_return result;
}
