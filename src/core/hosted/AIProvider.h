#pragma once

#include "models/AIAnswer.h"
#include "models/CaptureAnswerInput.h"
#include "models/ConversationTurn.h"
#include "models/StoredPromptPreset.h"

#include <QCoro/QCoroTask>
#include <QList>

class DeveloperSettingsStore;

// The hosted answer service and preset store. Failures are thrown (AIProviderError, or a
// LibraryError carrying the transport's or decoder's text).
class AIProvider
{
public:
    virtual ~AIProvider() = default;

    virtual QCoro::Task<AIAnswer> answer(CaptureAnswerInput captureInput, QString question,
                                         QList<ConversationTurn> history, const DeveloperSettingsStore &settings,
                                         QString userID, QString idToken) = 0;
    virtual QCoro::Task<QList<StoredPromptPreset>> fetchPromptPresets(const DeveloperSettingsStore &settings,
                                                                      QString userID, QString idToken) = 0;
    virtual QCoro::Task<QList<StoredPromptPreset>> updatePromptPresets(const DeveloperSettingsStore &settings,
                                                                       QString userID, QString idToken,
                                                                       QList<StoredPromptPreset> presets) = 0;
};
