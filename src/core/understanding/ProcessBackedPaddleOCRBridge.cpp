#include "ProcessBackedPaddleOCRBridge.h"

#include "BridgeInputFile.h"
#include "BridgeOutputParser.h"
#include "BridgeProcessRunner.h"
#include "CaptureUnderstandingError.h"

#include <QFileInfo>

#include <limits>

Q_LOGGING_CATEGORY(lcLayoutBridge, "orvanta.understanding.bridge")

ProcessBackedPaddleOCRBridge::ProcessBackedPaddleOCRBridge(QString environmentKey, QString timeoutKey)
    : m_environmentKey(std::move(environmentKey))
    , m_timeoutKey(std::move(timeoutKey))
{}

std::chrono::milliseconds ProcessBackedPaddleOCRBridge::timeLimit(const QString &value)
{
    const QStringView digits = value.startsWith(u'+') || value.startsWith(u'-') ? QStringView(value).mid(1) : value;
    const bool wellFormed =
        !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    bool inRange = false;
    const qlonglong milliseconds = wellFormed ? value.toLongLong(&inRange, 10) : 0;
    if (!inRange)
        return defaultTimeLimit;
    // Timers count in int milliseconds; a limit of weeks is as good as none.
    return std::chrono::milliseconds(std::clamp<qlonglong>(milliseconds, 1, std::numeric_limits<int>::max()));
}

ProcessBackedPaddleOCRBridge::Invocation ProcessBackedPaddleOCRBridge::invocation(const QString &bridgePath,
                                                                                  const QString &imagePath)
{
    const QFileInfo bridge(bridgePath);
    const QString program = bridge.absoluteFilePath();
    if (bridge.suffix().compare(QLatin1String("py"), Qt::CaseInsensitive) == 0)
        return {QStringLiteral("/usr/bin/env"), {QStringLiteral("python3"), program, imagePath}};
    return {program, {imagePath}};
}

QCoro::Task<PaddleOCRBridgeOutput> ProcessBackedPaddleOCRBridge::analyze(CapturedSelection selection)
{
    const QString bridgePath = qEnvironmentVariable(m_environmentKey.toUtf8().constData());
    if (bridgePath.isEmpty())
        throw CaptureUnderstandingError(CaptureUnderstandingError::Kind::paddleBridgeUnavailable);

    const BridgeInputFile input(selection.cgImage);
    const Invocation how = invocation(bridgePath, input.path());
    BridgeProcessRunner runner(how.program, how.arguments,
                               timeLimit(qEnvironmentVariable(m_timeoutKey.toUtf8().constData())));
    const BridgeProcessResult result = co_await runner.run();

    if (result.exitStatus != 0) {
        const QString details = QString::fromUtf8(result.standardError).trimmed();
        if (!details.isEmpty())
            qCWarning(lcLayoutBridge).noquote() << QStringLiteral("Paddle bridge failed: %1").arg(details);
        throw CaptureUnderstandingError(CaptureUnderstandingError::Kind::paddleBridgeUnavailable);
    }
    co_return BridgeOutputParser::parse(result.standardOutput, selection.imageSize);
}
