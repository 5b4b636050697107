#pragma once

#include "overlay/ResultOverlaySnapshot.h"

#include <QObject>

#include <functional>

// The single source the panel's view reads: the latest snapshot and the ways back into the
// application. Setting the snapshot re-renders the view.
class ResultOverlayViewModel : public QObject
{
    Q_OBJECT
public:
    explicit ResultOverlayViewModel(QObject *parent = nullptr) : QObject(parent) {}

    const ResultOverlaySnapshot &snapshot() const { return m_snapshot; }
    void setSnapshot(const ResultOverlaySnapshot &snapshot)
    {
        m_snapshot = snapshot;
        Q_EMIT snapshotChanged();
    }

    std::function<void()> onClose;
    ResultOverlayCallbacks callbacks;

Q_SIGNALS:
    void snapshotChanged();

private:
    ResultOverlaySnapshot m_snapshot;
};
