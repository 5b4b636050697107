#pragma once

#include "PaddleOCRBridge.h"

#include <QObject>
#include <QProcess>
#include <QTimer>

#include <coroutine>
#include <memory>
#include <optional>

// Layout analysis by the shipped bridge kept running between captures ("--serve"), each capture
// handed over as a BridgeFrame on its standard input and answered by one line: no process start,
// no model loading and no PNG per capture. Captures it cannot take go to the per-capture bridge:
// another bridge is configured, another capture is in progress, or the process died (it is then
// started again for the next capture). A capture that takes too long stops the process. Runs its
// child from the calling (main) thread.
class ServingLayoutBridge : public QObject, public PaddleOCRBridge
{
    Q_OBJECT
public:
    ServingLayoutBridge(std::shared_ptr<PaddleOCRBridge> perCapture,
                        QString environmentKey = QStringLiteral("ORVANTA_PADDLE_OCR_BRIDGE"),
                        QString timeoutKey = QStringLiteral("ORVANTA_PADDLE_OCR_TIMEOUT_MS"));
    ~ServingLayoutBridge() override;

    void prepare(bool warmEngines) override;
    QCoro::Task<PaddleOCRBridgeOutput> analyze(CapturedSelection selection) override;

    // Only the shipped bridge understands --serve; a bridge the user chose runs per capture.
    static bool serves(const QString &bridgePath);

private:
    enum class Outcome { answered, died, timedOut, outputTooLarge };

    struct Wake
    {
        ServingLayoutBridge *bridge;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> waiting) noexcept { bridge->m_waiting = waiting; }
        void await_resume() const noexcept {}
    };

    // Whether a serving process runs (or is starting) for the configured bridge.
    bool ensureRunning(bool warmEngines);
    void decide(Outcome outcome);
    void stop();
    // Nothing when the process died (or never started) before it answered.
    QCoro::Task<std::optional<PaddleOCRBridgeOutput>> analyzeServed(CapturedSelection selection);

    std::shared_ptr<PaddleOCRBridge> m_perCapture;
    QString m_environmentKey;
    QString m_timeoutKey;
    QProcess m_process;
    QTimer m_watchdog;
    bool m_busy = false;
    std::optional<Outcome> m_outcome;
    std::coroutine_handle<> m_waiting;
    QByteArray m_answer;
    QByteArray m_standardError;
};
