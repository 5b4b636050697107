#include "PromptPresetDropDelegate.h"

#include <QMimeData>

bool PromptPresetDropDelegate::acceptsDrop(const QMimeData &data)
{
    return data.hasText();
}

std::optional<QList<PromptPreset>> PromptPresetDropDelegate::enter(PromptPreset target,
                                                                   const QList<PromptPreset> &committedOrder)
{
    if (!draggedPreset || *draggedPreset == target)
        return std::nullopt;
    QList<PromptPreset> order = previewOrder.value_or(committedOrder);
    const qsizetype from = order.indexOf(*draggedPreset);
    const qsizetype to = order.indexOf(target);
    if (from < 0 || to < 0 || from == to)
        return std::nullopt;
    // An exchange of the two cards, not a move past the ones between.
    order.swapItemsAt(from, to);
    previewOrder = order;
    return order;
}

std::optional<QList<PromptPreset>> PromptPresetDropDelegate::drop()
{
    std::optional<QList<PromptPreset>> committed = previewOrder;
    draggedPreset.reset();
    previewOrder.reset();
    return committed;
}
