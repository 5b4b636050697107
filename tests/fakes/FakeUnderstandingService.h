#pragma once

#include "Gate.h"
#include "understanding/CaptureUnderstandingService.h"

#include <QList>

#include <functional>

// Understands every capture the same scripted way, recording what it was asked about.
class FakeUnderstandingService : public CaptureUnderstandingService
{
public:
    using Reply = std::function<CaptureUnderstandingResult(const CapturedSelection &)>;

    QCoro::Task<CaptureUnderstandingResult> understand(CapturedSelection selection) override
    {
        selections.append(selection);
        const Reply reply = replies.isEmpty() ? Reply(textResult) : replies.takeFirst();
        QCoro::Task<> waiting = gate.wait();
        co_await waiting;
        co_return reply(selection);
    }

    static CaptureUnderstandingResult textResult(const CapturedSelection &)
    {
        CaptureUnderstandingResult result;
        result.mode = CaptureUnderstandingMode::text;
        result.ocrResult = OCRResult{QStringLiteral("Quarterly revenue grew 12%."), 1, 0.93};
        result.analysis.metrics.textLikeRatio = 0.8;
        result.analysis.metrics.safeText = true;
        return result;
    }

    static CaptureUnderstandingResult imageResult(const CapturedSelection &)
    {
        CaptureUnderstandingResult result;
        result.mode = CaptureUnderstandingMode::image;
        result.preparedImage =
            PreparedCaptureImage{QByteArray("jpeg-bytes"), QStringLiteral("image/jpeg"), QSizeF(640, 480)};
        result.analysis.metrics.meaningfulTable = true;
        return result;
    }

    QList<Reply> replies;
    QList<CapturedSelection> selections;
    Gate gate;
};
