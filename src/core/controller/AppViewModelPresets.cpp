// The quick-action part of the controller: order, texts, and their sync with the hosted store.
#include "AppViewModel.h"

#include "auth/SessionService.h"
#include "hosted/AIProvider.h"
#include "settings/KeyValueStore.h"
#include "support/OrvantaError.h"

#include <QStringList>

// A preset reply that arrives after sign-out (or a switch of user) belongs to nobody on screen:
// applying or rolling it back would show the previous user's texts.
bool AppViewModel::isStillSignedInAs(const QPointer<AppViewModel> &self, const QString &userID)
{
    return self && self->m_services.sessionManager->currentUserID() == userID;
}

PromptPresetConfiguration AppViewModel::presetConfiguration(PromptPreset preset) const
{
    return m_presetConfigurations.value(preset, defaultConfiguration(preset));
}

void AppViewModel::selectPreset(PromptPreset preset)
{
    m_selectedPreset = preset;
    Q_EMIT changed();
}

void AppViewModel::beginEditingPreset(PromptPreset preset)
{
    m_selectedPreset = preset;
    m_editingPreset = preset;
    Q_EMIT changed();
}

void AppViewModel::dismissPresetEditor()
{
    m_editingPreset.reset();
    Q_EMIT changed();
}

void AppViewModel::previewPresetOrder(const QList<PromptPreset> &order)
{
    m_presetOrder = normalizedPresetOrder(order);
    persistPresetOrder();
    refreshVisibleOverlayIfNeeded();
    Q_EMIT changed();
}

QCoro::Task<> AppViewModel::savePresetOrder(QList<PromptPreset> order)
{
    previewPresetOrder(order);
    co_return;
}

QList<PromptPreset> AppViewModel::loadStoredPresetOrder() const
{
    const QVariant stored = m_services.defaults->value(presetOrderKey);
    // Only a list of strings is an order; anything else is as if nothing were stored.
    QStringList names;
    if (stored.typeId() == QMetaType::QStringList) {
        names = stored.toStringList();
    } else if (stored.typeId() == QMetaType::QVariantList) {
        for (const QVariant &entry : stored.toList()) {
            if (entry.typeId() != QMetaType::QString)
                return normalizedPresetOrder({});
            names.append(entry.toString());
        }
    } else {
        return normalizedPresetOrder({});
    }
    QList<PromptPreset> order;
    for (const QString &name : names) {
        if (const std::optional<PromptPreset> preset = promptPresetFromRawValue(name))
            order.append(*preset);
    }
    return normalizedPresetOrder(order);
}

void AppViewModel::persistPresetOrder()
{
    QStringList names;
    for (PromptPreset preset : normalizedPresetOrder(m_presetOrder))
        names.append(rawValue(preset));
    m_services.defaults->setValue(presetOrderKey, names);
}

QList<StoredPromptPreset> AppViewModel::serializedPromptPresets() const
{
    QList<StoredPromptPreset> presets;
    for (PromptPreset preset : allPromptPresets) {
        const PromptPresetConfiguration configuration = presetConfiguration(preset);
        presets.append({rawValue(preset), configuration.title, configuration.subtitle, configuration.prompt});
    }
    return presets;
}

void AppViewModel::applyStoredPromptPresets(const QList<StoredPromptPreset> &stored)
{
    m_presetOrder = normalizedPresetOrder(loadStoredPresetOrder());
    m_presetConfigurations = configurationsFromStored(stored);
    if (m_selectedPreset && !m_presetOrder.contains(*m_selectedPreset))
        m_selectedPreset.reset();
    refreshVisibleOverlayIfNeeded();
    Q_EMIT changed();
}

QCoro::Task<> AppViewModel::refreshPromptPresets()
{
    QPointer<AppViewModel> self(this);
    const std::optional<QString> userID = m_services.sessionManager->currentUserID();
    if (!userID)
        co_return;
    QList<StoredPromptPreset> stored;
    try {
        QCoro::Task<QString> tokenRequest = m_services.sessionManager->validIDToken();
        const QString idToken = co_await tokenRequest;
        if (!isStillSignedInAs(self, *userID))
            co_return;
        QCoro::Task<QList<StoredPromptPreset>> fetching =
            m_services.aiProvider->fetchPromptPresets(*m_services.settings, *userID, idToken);
        stored = co_await fetching;
    } catch (...) {
        if (isStillSignedInAs(self, *userID)) {
            m_lastErrorMessage = messageOf(std::current_exception());
            Q_EMIT changed();
        }
        co_return;
    }
    if (isStillSignedInAs(self, *userID))
        applyStoredPromptPresets(stored);
}

QCoro::Task<> AppViewModel::savePromptPreset(PromptPresetConfiguration configuration, PromptPreset preset)
{
    PromptPresetConfigurations edited = m_presetConfigurations;
    edited.insert(preset, configuration);
    QCoro::Task<> updating = updatePresetsOptimistically(edited);
    co_await updating;
}

QCoro::Task<> AppViewModel::resetAllPromptPresetsToDefault()
{
    QCoro::Task<> updating = updatePresetsOptimistically(defaultConfigurations());
    co_await updating;
}

// Shows the new texts at once, sends all four presets, and restores the previous texts exactly
// (editor left open) when the hosted store refuses them.
QCoro::Task<> AppViewModel::updatePresetsOptimistically(PromptPresetConfigurations configurations)
{
    QPointer<AppViewModel> self(this);
    const std::optional<QString> userID = m_services.sessionManager->currentUserID();
    if (!userID)
        co_return;
    const PromptPresetConfigurations previous = m_presetConfigurations;
    m_presetConfigurations = configurations;
    refreshVisibleOverlayIfNeeded();
    Q_EMIT changed();

    QList<StoredPromptPreset> stored;
    try {
        QCoro::Task<QString> tokenRequest = m_services.sessionManager->validIDToken();
        const QString idToken = co_await tokenRequest;
        if (!isStillSignedInAs(self, *userID))
            co_return;
        QCoro::Task<QList<StoredPromptPreset>> updating = m_services.aiProvider->updatePromptPresets(
            *m_services.settings, *userID, idToken, serializedPromptPresets());
        stored = co_await updating;
    } catch (...) {
        if (isStillSignedInAs(self, *userID)) {
            m_presetConfigurations = previous;
            m_lastErrorMessage = messageOf(std::current_exception());
            refreshVisibleOverlayIfNeeded();
            Q_EMIT changed();
        }
        co_return;
    }
    if (!isStillSignedInAs(self, *userID))
        co_return;
    applyStoredPromptPresets(stored);
    m_editingPreset.reset();
    Q_EMIT changed();
}
