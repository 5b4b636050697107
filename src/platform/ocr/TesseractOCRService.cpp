#include "TesseractOCRService.h"

#include "TesseractPageReader.h"
#include "understanding/OCRError.h"

#include <QCoro/QCoroFuture>
#include <QtConcurrent/QtConcurrentRun>

#include <optional>

namespace {

// What a worker hands back: exceptions stay on the worker and are rethrown on the caller's side.
struct Outcome
{
    OCRResult result;
    std::optional<OCRError> error;
    QString failure;
};

} // namespace

TesseractOCRService::TesseractOCRService() : m_reader(std::make_shared<TesseractPageReader>()) {}

TesseractOCRService::~TesseractOCRService() = default;

void TesseractOCRService::warmUpInBackground()
{
    // This recogniser stands in when the layout bridge cannot read a page. One loaded engine spares
    // that read the model's load on the critical path and keeps an idle application 12 MB smaller
    // than loading one per core; the others load on the read.
    m_reader->warmUpInBackground(1);
}

QCoro::Task<OCRResult> TesseractOCRService::extractText(CapturedSelection selection)
{
    // The future is awaited as a named variable: g++ 12 destroys the frame's locals twice when a
    // temporary with a destructor lives in the same full expression as the co_await.
    QFuture<Outcome> future = QtConcurrent::run([reader = m_reader, image = selection.cgImage]() -> Outcome {
        try {
            return {TesseractEngine::joinedText(reader->read(image).lines), std::nullopt, {}};
        } catch (const OCRError &error) {
            return {{}, error, {}};
        } catch (const std::exception &error) {
            return {{}, std::nullopt, QString::fromUtf8(error.what())};
        }
    });
    const Outcome outcome = co_await future;
    if (outcome.error)
        throw *outcome.error;
    if (!outcome.failure.isNull())
        throw OCRError::visionFailed(outcome.failure);
    if (outcome.result.text.isEmpty())
        throw OCRError::noTextRecognized();
    co_return outcome.result;
}
