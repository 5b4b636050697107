#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM (the session logging out, `kill`) and SIGINT (Ctrl+C in a terminal) arrive as a Qt
// signal on the main thread, so the application can end through its event loop as "Quit Orvanta"
// does: the shortcut released, the single-instance socket and lock removed. One per process; the
// default actions come back when it is destroyed.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void drain();

    QSocketNotifier *m_notifier = nullptr;
};
