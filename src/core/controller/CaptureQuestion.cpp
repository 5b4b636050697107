#include "CaptureQuestion.h"

#include "auth/SessionService.h"
#include "hosted/AIProvider.h"
#include "models/CaptureAnswerInput.h"

QCoro::Task<AIAnswer> askAboutCapture(SessionService &session, AIProvider &provider,
                                      const DeveloperSettingsStore &settings, CaptureUnderstandingResult understanding,
                                      QString question, QList<ConversationTurn> history, QString userID)
{
    // Awaited tasks are named first: g++ 12 destroys a co_await expression's temporaries twice.
    QCoro::Task<QString> tokenRequest = session.validIDToken();
    const QString idToken = co_await tokenRequest;
    const CaptureAnswerInput input = CaptureAnswerInput::fromUnderstanding(understanding);
    QCoro::Task<AIAnswer> answering = provider.answer(input, question, history, settings, userID, idToken);
    const AIAnswer answer = co_await answering;
    co_return answer;
}

ConversationTurn conversationTurn(const AIAnswer &answer)
{
    return {QUuid::createUuid(), answer.question, answer.content, answer.generatedAt, answer.providerName};
}
