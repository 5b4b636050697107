#pragma once

#include "Gate.h"
#include "hosted/AIProvider.h"
#include "settings/DeveloperSettingsStore.h"

#include <QList>

#include <functional>

// Records every hosted request and answers from scripts (the default echoes the question).
class FakeAIProvider : public AIProvider
{
public:
    struct AnswerCall
    {
        CaptureAnswerInput input;
        QString question;
        QList<ConversationTurn> history;
        QString baseURL;
        QString userID;
        QString idToken;
    };
    using AnswerReply = std::function<AIAnswer(const AnswerCall &)>;
    using PresetsReply = std::function<QList<StoredPromptPreset>(const QList<StoredPromptPreset> &sent)>;

    QCoro::Task<AIAnswer> answer(CaptureAnswerInput captureInput, QString question, QList<ConversationTurn> history,
                                 const DeveloperSettingsStore &settings, QString userID, QString idToken) override
    {
        // Built outside the coroutine body: g++ 12 destroys braced temporaries in coroutines twice.
        const AnswerCall call = makeCall(captureInput, question, history, settings, userID, idToken);
        answerCalls.append(call);
        const AnswerReply reply = answerReplies.isEmpty() ? AnswerReply(echo) : answerReplies.takeFirst();
        QCoro::Task<> waiting = gate.wait();
        co_await waiting;
        co_return reply(call);
    }

    QCoro::Task<QList<StoredPromptPreset>> fetchPromptPresets(const DeveloperSettingsStore &, QString userID,
                                                              QString idToken) override
    {
        fetchCalls.append(qMakePair(userID, idToken));
        const PresetsReply reply = fetchReplies.isEmpty() ? PresetsReply(storedList) : fetchReplies.takeFirst();
        QCoro::Task<> waiting = gate.wait();
        co_await waiting;
        co_return reply({});
    }

    QCoro::Task<QList<StoredPromptPreset>> updatePromptPresets(const DeveloperSettingsStore &, QString userID,
                                                               QString idToken,
                                                               QList<StoredPromptPreset> presets) override
    {
        updateCalls.append(presets);
        Q_UNUSED(userID);
        Q_UNUSED(idToken);
        const PresetsReply reply = updateReplies.isEmpty() ? PresetsReply(storedList) : updateReplies.takeFirst();
        QCoro::Task<> waiting = gate.wait();
        co_await waiting;
        co_return reply(presets);
    }

    static AnswerCall makeCall(const CaptureAnswerInput &input, const QString &question,
                               const QList<ConversationTurn> &history, const DeveloperSettingsStore &settings,
                               const QString &userID, const QString &idToken)
    {
        return {input, question, history, settings.hostedBackendBaseURL(), userID, idToken};
    }

    static AIAnswer echo(const AnswerCall &call)
    {
        return {call.question, QStringLiteral("Answer to: ") + call.question, QDateTime::currentDateTime(),
                QStringLiteral("fake-provider")};
    }
    static QList<StoredPromptPreset> storedList(const QList<StoredPromptPreset> &sent) { return sent; }

    QList<AnswerCall> answerCalls;
    QList<QPair<QString, QString>> fetchCalls;
    QList<QList<StoredPromptPreset>> updateCalls;
    QList<AnswerReply> answerReplies;
    QList<PresetsReply> fetchReplies;
    QList<PresetsReply> updateReplies;
    Gate gate;
};
