#pragma once

#include "models/AIAnswer.h"
#include "models/CaptureUnderstandingResult.h"
#include "models/CapturedSelection.h"
#include "models/ConversationTurn.h"
#include "models/OCRResult.h"
#include "models/PermissionGuidance.h"
#include "presets/PromptPreset.h"
#include "settings/SettingsEnums.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Everything the answer panel shows, rebuilt by the controller whenever it changes.
struct ResultOverlaySnapshot
{
    CapturedSelection capture;
    std::optional<CaptureUnderstandingResult> captureUnderstanding;
    std::optional<OCRResult> ocrResult;
    std::optional<AIAnswer> answer;
    QList<ConversationTurn> conversationHistory;
    std::optional<PromptPreset> activePreset;
    QList<PromptPreset> presetOrder;
    PromptPresetConfigurations presetConfigurations;
    AppThemePreference themePreference = AppThemePreference::system;
    bool showsSelectionDecoration = true;
    bool delaysPanelReveal = true;
    OverlayPanelSizePreset overlayPanelSizePreset = OverlayPanelSizePreset::medium;
    QString customQuestion;
    std::optional<QString> pendingQuestion;
    bool isBusy = false;
    std::optional<QString> errorMessage;
    std::optional<PermissionGuidance> permissionGuidance;

    bool operator==(const ResultOverlaySnapshot &) const = default;
};

// The panel's ways back into the controller.
struct ResultOverlayCallbacks
{
    std::function<void(PromptPreset)> onAskPreset;
    std::function<void(const QString &)> onAskCustomQuestion;
    std::function<void(const QString &)> onCustomQuestionChange;
    std::function<void()> onOpenAppSettings;
    std::function<void()> onOpenSettings;
};
