#pragma once

#include "models/AIAnswer.h"
#include "models/CaptureUnderstandingResult.h"
#include "models/ConversationTurn.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>

class AIProvider;
class DeveloperSettingsStore;
class SessionService;

// One question about an understood capture, sent the way the application sends every question:
// a valid identity token first, then the answer request built from the understanding result with
// the earlier turns (oldest first) as history. Shared by the controller and orvanta-cli.
QCoro::Task<AIAnswer> askAboutCapture(SessionService &session, AIProvider &provider,
                                      const DeveloperSettingsStore &settings, CaptureUnderstandingResult understanding,
                                      QString question, QList<ConversationTurn> history, QString userID);

// The conversation turn an answer becomes.
ConversationTurn conversationTurn(const AIAnswer &answer);
