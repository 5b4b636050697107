#include "BridgeProcessRunner.h"

#include "CaptureUnderstandingError.h"

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

BridgeProcessRunner::BridgeProcessRunner(const QString &program, const QStringList &arguments,
                                         std::chrono::milliseconds timeLimit)
    : m_timeLimit(timeLimit)
{
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    // A bridge waiting for input would otherwise sit until the time limit.
    m_process.setStandardInputFile(QProcess::nullDevice());
    // Its own process group, so stopping it also stops whatever it started.
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
    m_watchdog.setSingleShot(true);
    m_graceTimer.setSingleShot(true);

    connect(&m_process, &QProcess::readyReadStandardOutput, this, [this] {
        const QByteArray chunk = m_process.readAllStandardOutput();
        if (m_standardOutput.size() + chunk.size() > maximumOutputBytes) {
            decide(Outcome::outputTooLarge);
            return;
        }
        m_standardOutput += chunk;
    });
    connect(&m_process, &QProcess::readyReadStandardError, this, [this] {
        const QByteArray chunk = m_process.readAllStandardError();
        m_standardError += chunk.left(keptErrorBytes - m_standardError.size());
    });
    connect(&m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        m_exited = true;
        m_exitStatus = status == QProcess::NormalExit ? exitCode : -1;
        decide(Outcome::exited);
        wake();
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        m_exited = true;
        m_launchError = m_process.errorString();
        decide(Outcome::launchFailed);
        wake();
    });
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        if (m_process.state() != QProcess::NotRunning)
            decide(Outcome::timedOut);
    });
    connect(&m_graceTimer, &QTimer::timeout, this, [this] {
        m_graceElapsed = true;
        wake();
    });
}

BridgeProcessRunner::~BridgeProcessRunner()
{
    // Abandoned mid-run: no handler may touch this half-destroyed runner, and the child is
    // killed and reaped rather than left behind.
    disconnect(&m_process, nullptr, this, nullptr);
    if (m_process.state() != QProcess::NotRunning) {
        signalChild(SIGKILL);
        m_process.waitForFinished(1000);
    }
}

void BridgeProcessRunner::decide(Outcome outcome)
{
    if (m_outcome)
        return;
    m_outcome = outcome;
    wake();
}

void BridgeProcessRunner::wake()
{
    if (!m_waiting)
        return;
    const std::coroutine_handle<> waiting = std::exchange(m_waiting, {});
    QMetaObject::invokeMethod(
        this, [waiting] { waiting.resume(); }, Qt::QueuedConnection);
}

void BridgeProcessRunner::signalChild(int signal)
{
    const qint64 pid = m_process.processId();
    if (pid <= 0)
        return;
    if (::kill(static_cast<pid_t>(-pid), signal) != 0)
        ::kill(static_cast<pid_t>(pid), signal);
}

QCoro::Task<> BridgeProcessRunner::stopChild()
{
    signalChild(SIGTERM);
    m_graceTimer.start(terminationGrace);
    while (!m_exited && !m_graceElapsed)
        co_await Wake{this};
    if (m_exited)
        co_return;
    signalChild(SIGKILL);
    m_graceElapsed = false;
    m_graceTimer.start(terminationGrace);
    while (!m_exited && !m_graceElapsed)
        co_await Wake{this};
}

QCoro::Task<BridgeProcessResult> BridgeProcessRunner::run()
{
    m_process.start();
    m_watchdog.start(m_timeLimit);
    while (!m_outcome)
        co_await Wake{this};

    switch (*m_outcome) {
    case Outcome::exited:
        co_return BridgeProcessResult{m_exitStatus, m_standardOutput, m_standardError};
    case Outcome::launchFailed:
        throw LibraryError(m_launchError);
    case Outcome::timedOut:
        co_await stopChild();
        throw CaptureUnderstandingError(CaptureUnderstandingError::Kind::paddleBridgeTimedOut);
    case Outcome::outputTooLarge:
        co_await stopChild();
        throw CaptureUnderstandingError(CaptureUnderstandingError::Kind::invalidBridgeOutput);
    }
    throw CaptureUnderstandingError(CaptureUnderstandingError::Kind::paddleBridgeUnavailable);
}
