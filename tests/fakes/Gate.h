#pragma once

#include <QCoro/QCoroSignal>
#include <QCoro/QCoroTask>
#include <QObject>

// Holds a fake's reply back until the test opens it, so a test can look at the state while an
// operation is suspended, or let operations finish in an order of its choosing.
class Gate : public QObject
{
    Q_OBJECT
public:
    bool isOpen() const { return m_open; }
    void close() { m_open = false; }
    void open()
    {
        m_open = true;
        Q_EMIT opened();
    }

    QCoro::Task<> wait()
    {
        if (!m_open) {
            auto opening = qCoro(this, &Gate::opened);
            co_await opening;
        }
    }

Q_SIGNALS:
    void opened();

private:
    bool m_open = true;
};
