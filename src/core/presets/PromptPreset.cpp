#include "PromptPreset.h"

QString rawValue(PromptPreset preset)
{
    switch (preset) {
    case PromptPreset::explain:
        return QStringLiteral("explain");
    case PromptPreset::summarize:
        return QStringLiteral("summarize");
    case PromptPreset::simplify:
        return QStringLiteral("simplify");
    case PromptPreset::keyPoint:
        return QStringLiteral("keyPoint");
    }
    return {};
}

std::optional<PromptPreset> promptPresetFromRawValue(const QString &raw)
{
    for (PromptPreset preset : allPromptPresets) {
        if (rawValue(preset) == raw)
            return preset;
    }
    return std::nullopt;
}

PromptPresetConfiguration defaultConfiguration(PromptPreset preset)
{
    switch (preset) {
    case PromptPreset::explain:
        return {QStringLiteral("Explain"), QStringLiteral("Explain this clearly in simple terms."),
                QStringLiteral("Explain this clearly in simple terms. Include any important context, definitions, or "
                               "assumptions that are needed to fully understand it. If there are technical parts, "
                               "break them down step by step.")};
    case PromptPreset::summarize:
        return {QStringLiteral("Summarize"), QStringLiteral("Summarize the most important takeaways."),
                QStringLiteral("Summarize this into clear key takeaways. Focus on the most important points and remove "
                               "unnecessary details. If applicable, include action items or what I should do next.")};
    case PromptPreset::simplify:
        return {QStringLiteral("Translate"), QStringLiteral("Translate it into natural, fluent English."),
                QStringLiteral("Translate this into natural, fluent English (or the target language). Preserve the "
                               "original meaning and tone. If anything is ambiguous, choose the most likely "
                               "interpretation.")};
    case PromptPreset::keyPoint:
        return {QStringLiteral("Draft Reply"), QStringLiteral("Write a clear, natural reply."),
                QStringLiteral("Write a clear, natural reply based on this. Match the tone appropriately "
                               "(professional, casual, or friendly depending on context). Keep it concise but "
                               "complete, and make it ready to send.")};
    }
    return {};
}

PromptPresetConfigurations defaultConfigurations()
{
    PromptPresetConfigurations configurations;
    for (PromptPreset preset : allPromptPresets)
        configurations.insert(preset, defaultConfiguration(preset));
    return configurations;
}

QList<PromptPreset> normalizedPresetOrder(const QList<PromptPreset> &order)
{
    QList<PromptPreset> normalized;
    for (PromptPreset preset : order) {
        if (!normalized.contains(preset))
            normalized.append(preset);
    }
    for (PromptPreset preset : allPromptPresets) {
        if (!normalized.contains(preset))
            normalized.append(preset);
    }
    return normalized;
}

PromptPresetConfigurations configurationsFromStored(const QList<StoredPromptPreset> &stored)
{
    PromptPresetConfigurations configurations = defaultConfigurations();
    for (const StoredPromptPreset &entry : stored) {
        if (const std::optional<PromptPreset> preset = promptPresetFromRawValue(entry.id))
            configurations.insert(*preset, {entry.title, entry.subtitle, entry.prompt});
    }
    return configurations;
}
