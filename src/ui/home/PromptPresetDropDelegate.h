#pragma once

#include "presets/PromptPreset.h"

#include <QList>

#include <optional>

class QMimeData;

// The reordering rules of the quick-action cards, apart from the widgets: dragging a card over
// another exchanges the two in a preview order (applied at once), dropping commits that order.
struct PromptPresetDropDelegate
{
    std::optional<PromptPreset> draggedPreset;
    std::optional<QList<PromptPreset>> previewOrder;

    // Only drags that carry plain text are taken.
    static bool acceptsDrop(const QMimeData &data);
    // The drag entered the target's card: the new preview order, or none when nothing moves.
    std::optional<QList<PromptPreset>> enter(PromptPreset target, const QList<PromptPreset> &committedOrder);
    // The drag was dropped: the order to commit (none when nothing was previewed). Ends the drag.
    std::optional<QList<PromptPreset>> drop();
};
