#pragma once

#include "models/StoredPromptPreset.h"

#include <QList>
#include <QMap>
#include <QString>

#include <array>
#include <optional>

// The four quick actions, in declaration order. simplify is the translate action and keyPoint
// the reply action; their raw values are what the stored order and the hosted store use.
enum class PromptPreset { explain, summarize, simplify, keyPoint };

inline constexpr std::array<PromptPreset, 4> allPromptPresets{PromptPreset::explain, PromptPreset::summarize,
                                                              PromptPreset::simplify, PromptPreset::keyPoint};

QString rawValue(PromptPreset preset);
std::optional<PromptPreset> promptPresetFromRawValue(const QString &raw);

struct PromptPresetConfiguration
{
    QString title;
    QString subtitle;
    QString prompt;

    bool operator==(const PromptPresetConfiguration &) const = default;
};

using PromptPresetConfigurations = QMap<PromptPreset, PromptPresetConfiguration>;

PromptPresetConfiguration defaultConfiguration(PromptPreset preset);
PromptPresetConfigurations defaultConfigurations();

// The defaults, with each stored entry whose id names a preset applied in list order (a later
// entry for the same preset wins; entries with other ids are skipped).
PromptPresetConfigurations configurationsFromStored(const QList<StoredPromptPreset> &stored);

// First occurrence of each preset kept, missing ones appended in declaration order.
QList<PromptPreset> normalizedPresetOrder(const QList<PromptPreset> &order);
