#pragma once

#include "overlay/ResultOverlayPresenter.h"

#include <QList>

// Remembers what the controller showed; visible from present() until close().
class FakeOverlayPresenter : public ResultOverlayPresenter
{
public:
    bool isVisible() const override { return visible; }
    void present(const ResultOverlaySnapshot &snapshot, const ResultOverlayCallbacks &callbacks) override
    {
        visible = true;
        ++presentCount;
        remember(snapshot, callbacks);
    }
    void updateVisibleContent(const ResultOverlaySnapshot &snapshot, const ResultOverlayCallbacks &callbacks) override
    {
        ++updateCount;
        remember(snapshot, callbacks);
    }
    void close() override
    {
        visible = false;
        ++closeCount;
    }

    bool visible = false;
    int presentCount = 0;
    int updateCount = 0;
    int closeCount = 0;
    QList<ResultOverlaySnapshot> snapshots;
    ResultOverlayCallbacks callbacks;

private:
    void remember(const ResultOverlaySnapshot &snapshot, const ResultOverlayCallbacks &latest)
    {
        snapshots.append(snapshot);
        callbacks = latest;
    }
};
