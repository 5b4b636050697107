#pragma once

#include "overlay/ResultOverlaySnapshot.h"

#include <QList>
#include <QWidget>

class BubbleTextView;
class BusyIndicator;
class CopyableBubble;
class QVBoxLayout;

// The exchange area of the panel: the single "AI Answer" card, or the conversation's bubbles
// followed by the pending question and "Thinking..." while an answer is on its way. Bubbles of
// turns already shown are kept as they are when the conversation grows.
class ConversationColumn : public QWidget
{
    Q_OBJECT
public:
    static inline const QString answerTitle = QStringLiteral("AI Answer");
    static inline const QString thinking = QStringLiteral("Thinking...");

    explicit ConversationColumn(QWidget *parent = nullptr);

    void render(const ResultOverlaySnapshot &snapshot);

    QList<CopyableBubble *> bubbles() const;
    bool showsAnswerCard() const;
    bool showsThinking() const;
    BubbleTextView *answerCardText() const { return m_answerText; }

private:
    void showTurns(const QList<ConversationTurn> &turns);
    void showPending(bool visible, const std::optional<QString> &question);

    QWidget *m_answerSection;
    BubbleTextView *m_answerText;
    QWidget *m_turnsContainer;
    QVBoxLayout *m_turnsLayout;
    QList<ConversationTurn> m_turns;
    QList<QWidget *> m_turnRows;
    QWidget *m_pendingBlock;
    QVBoxLayout *m_pendingLayout;
    QWidget *m_pendingQuestionRow = nullptr;
    std::optional<QString> m_pendingQuestion;
    BusyIndicator *m_spinner;
};
