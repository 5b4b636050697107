#pragma once

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <coroutine>
#include <optional>

// How one bridge child process ended, when it ended by itself.
struct BridgeProcessResult
{
    int exitStatus = 0; // non-zero also when the child died from a signal
    QByteArray standardOutput;
    QByteArray standardError;
};

// Runs one layout bridge child to its end under a time limit. Its pipes are drained while it
// runs, so a chatty bridge never blocks on a full pipe. The first of exit, launch failure,
// time-out and runaway output decides the outcome; later ones are ignored. A child that is
// stopped is sent SIGTERM, then SIGKILL if it ignores that, and always reaped. Must live on the
// thread whose event loop runs it.
class BridgeProcessRunner : public QObject
{
    Q_OBJECT
public:
    // Standard output beyond this is no layout document; the child is stopped instead.
    static constexpr qsizetype maximumOutputBytes = 64 * 1024 * 1024;
    // Only the start of standard error is kept, for the log line.
    static constexpr qsizetype keptErrorBytes = 64 * 1024;
    static constexpr std::chrono::milliseconds terminationGrace{500};

    BridgeProcessRunner(const QString &program, const QStringList &arguments, std::chrono::milliseconds timeLimit);
    ~BridgeProcessRunner() override;

    // Fails with CaptureUnderstandingError (paddleBridgeTimedOut, or invalidBridgeOutput for
    // runaway output) or LibraryError (the launch error).
    QCoro::Task<BridgeProcessResult> run();

private:
    enum class Outcome { exited, launchFailed, timedOut, outputTooLarge };

    struct Wake
    {
        BridgeProcessRunner *runner;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> waiting) noexcept { runner->m_waiting = waiting; }
        void await_resume() const noexcept {}
    };

    // The completion gate: only the first party to call this decides how the run ends.
    void decide(Outcome outcome);
    // Resumes the waiting coroutine from the event loop, never from inside a QProcess signal,
    // so the coroutine may destroy this runner once it is resumed.
    void wake();
    QCoro::Task<> stopChild();
    void signalChild(int signal);

    QProcess m_process;
    QTimer m_watchdog;
    QTimer m_graceTimer;
    std::chrono::milliseconds m_timeLimit;
    std::optional<Outcome> m_outcome;
    std::coroutine_handle<> m_waiting;
    bool m_exited = false;
    bool m_graceElapsed = false;
    int m_exitStatus = 0;
    QString m_launchError;
    QByteArray m_standardOutput;
    QByteArray m_standardError;
};
