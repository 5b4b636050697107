#pragma once

#include "Gate.h"
#include "capture/CaptureService.h"

#include <QImage>
#include <QList>

#include <functional>

// Answers captureSelection() from a script: each entry returns a selection or throws.
class FakeCaptureService : public CaptureService
{
public:
    using Reply = std::function<CapturedSelection()>;

    QCoro::Task<CapturedSelection> captureSelection() override
    {
        ++calls;
        const Reply reply = replies.isEmpty() ? Reply([] { return makeSelection(); }) : replies.takeFirst();
        QCoro::Task<> waiting = gate.wait();
        co_await waiting;
        co_return reply();
    }

    // A small, real capture: a coloured image with the usual metadata.
    static CapturedSelection makeSelection(QSize pixels = QSize(64, 48), QColor colour = Qt::darkCyan)
    {
        QImage image(pixels, QImage::Format_RGB32);
        image.fill(colour);
        CapturedSelection selection;
        selection.id = QUuid::createUuid();
        selection.sourceAppName = QStringLiteral("Text Editor");
        selection.frameDescription = QStringLiteral("%1 x %2 at x:10 y:20").arg(pixels.width()).arg(pixels.height());
        selection.previewLabel = QStringLiteral("User-selected region");
        selection.cgImage = image;
        selection.imageSize = QSizeF(pixels);
        selection.selectionRect = QRectF(10, 20, pixels.width(), pixels.height());
        selection.referenceDisplayFrame = QRectF(0, 0, 1440, 900);
        selection.capturedAt = QDateTime::currentDateTime();
        return selection;
    }

    QList<Reply> replies;
    Gate gate;
    int calls = 0;
};
