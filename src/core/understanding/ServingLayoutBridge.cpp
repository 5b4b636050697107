#include "ServingLayoutBridge.h"

#include "BridgeFrame.h"
#include "BridgeOutputParser.h"
#include "BridgeProcessRunner.h"
#include "CaptureUnderstandingError.h"
#include "ProcessBackedPaddleOCRBridge.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

ServingLayoutBridge::ServingLayoutBridge(std::shared_ptr<PaddleOCRBridge> perCapture, QString environmentKey,
                                         QString timeoutKey)
    : m_perCapture(std::move(perCapture))
    , m_environmentKey(std::move(environmentKey))
    , m_timeoutKey(std::move(timeoutKey))
{
    // Its own process group, so stopping it also stops whatever it started.
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
    m_watchdog.setSingleShot(true);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, [this] {
        m_answer += m_process.readAllStandardOutput();
        if (!m_busy)
            m_answer.clear(); // nothing was asked: not an answer to the next frame
        else if (m_answer.contains('\n'))
            decide(Outcome::answered);
        else if (m_answer.size() > BridgeProcessRunner::maximumOutputBytes)
            decide(Outcome::outputTooLarge);
    });
    connect(&m_process, &QProcess::readyReadStandardError, this, [this] {
        const QByteArray chunk = m_process.readAllStandardError();
        m_standardError += chunk.left(BridgeProcessRunner::keptErrorBytes - m_standardError.size());
    });
    connect(&m_process, &QProcess::finished, this, [this] { decide(Outcome::died); });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            decide(Outcome::died);
    });
    connect(&m_watchdog, &QTimer::timeout, this, [this] { decide(Outcome::timedOut); });
}

ServingLayoutBridge::~ServingLayoutBridge()
{
    disconnect(&m_process, nullptr, this, nullptr);
    stop();
}

bool ServingLayoutBridge::serves(const QString &bridgePath)
{
    return QFileInfo(bridgePath).fileName() == QLatin1String("orvanta-layout-bridge");
}

void ServingLayoutBridge::prepare(bool warmEngines)
{
    ensureRunning(warmEngines);
}

bool ServingLayoutBridge::ensureRunning(bool warmEngines)
{
    const QString bridgePath = qEnvironmentVariable(m_environmentKey.toUtf8().constData());
    if (!serves(bridgePath))
        return false;
    if (m_process.state() != QProcess::NotRunning)
        return true;
    m_standardError.clear();
    QStringList arguments{QStringLiteral("--serve")};
    if (warmEngines)
        arguments.append(QStringLiteral("--warm"));
    m_process.start(QFileInfo(bridgePath).absoluteFilePath(), arguments);
    return true;
}

void ServingLayoutBridge::decide(Outcome outcome)
{
    if (!m_busy || m_outcome)
        return;
    m_outcome = outcome;
    if (!m_waiting)
        return;
    // Resumed from the event loop, never from inside a QProcess signal.
    const std::coroutine_handle<> waiting = std::exchange(m_waiting, {});
    QMetaObject::invokeMethod(
        this, [waiting] { waiting.resume(); }, Qt::QueuedConnection);
}

void ServingLayoutBridge::stop()
{
    const qint64 pid = m_process.processId();
    if (m_process.state() == QProcess::NotRunning || pid <= 0)
        return;
    if (::kill(static_cast<pid_t>(-pid), SIGKILL) != 0)
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    m_process.waitForFinished(1000);
}

QCoro::Task<PaddleOCRBridgeOutput> ServingLayoutBridge::analyze(CapturedSelection selection)
{
    if (m_busy || selection.cgImage.isNull() || !ensureRunning(false)) {
        QCoro::Task<PaddleOCRBridgeOutput> once = m_perCapture->analyze(std::move(selection));
        co_return co_await once;
    }
    QCoro::Task<std::optional<PaddleOCRBridgeOutput>> served = analyzeServed(selection);
    std::optional<PaddleOCRBridgeOutput> output = co_await served;
    if (output)
        co_return std::move(*output);
    const QString details = QString::fromUtf8(m_standardError).trimmed();
    qCWarning(lcLayoutBridge).noquote() << QStringLiteral(
                                               "The serving layout bridge stopped%1; this capture runs it once")
                                               .arg(details.isEmpty() ? QString() : QStringLiteral(": ") + details);
    QCoro::Task<PaddleOCRBridgeOutput> once = m_perCapture->analyze(std::move(selection));
    co_return co_await once;
}

QCoro::Task<std::optional<PaddleOCRBridgeOutput>> ServingLayoutBridge::analyzeServed(CapturedSelection selection)
{
    if (m_process.state() == QProcess::NotRunning)
        co_return std::nullopt;
    m_busy = true;
    m_outcome.reset();
    m_answer.clear();
    m_process.write(BridgeFrame::encode(selection.cgImage));
    m_watchdog.start(ProcessBackedPaddleOCRBridge::timeLimit(qEnvironmentVariable(m_timeoutKey.toUtf8().constData())));
    while (!m_outcome)
        co_await Wake{this};
    m_watchdog.stop();
    m_busy = false;

    switch (*m_outcome) {
    case Outcome::died:
        co_return std::nullopt;
    case Outcome::timedOut:
        stop();
        throw CaptureUnderstandingError(CaptureUnderstandingError::Kind::paddleBridgeTimedOut);
    case Outcome::outputTooLarge:
        stop();
        throw CaptureUnderstandingError(CaptureUnderstandingError::Kind::invalidBridgeOutput);
    case Outcome::answered:
        break;
    }
    const QByteArray line = m_answer.left(m_answer.indexOf('\n'));
    m_answer.clear();
    const QJsonObject answer = QJsonDocument::fromJson(line).object();
    if (answer.contains(QLatin1String("error"))) {
        qCWarning(lcLayoutBridge).noquote()
            << QStringLiteral("Paddle bridge failed: %1").arg(answer.value(QLatin1String("error")).toString());
        throw CaptureUnderstandingError(CaptureUnderstandingError::Kind::paddleBridgeUnavailable);
    }
    co_return BridgeOutputParser::parse(line, selection.imageSize);
}
