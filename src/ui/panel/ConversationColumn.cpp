#include "ConversationColumn.h"

#include "BubbleTextView.h"
#include "CopyableBubble.h"
#include "PanelCard.h"
#include "auth/BusyIndicator.h"
#include "overlay/ResultOverlayViewRules.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using ResultOverlayViewRules::ExchangeContent;

namespace {
constexpr int turnSpacing = 12;
} // namespace

ConversationColumn::ConversationColumn(QWidget *parent)
    : QWidget(parent)
    , m_answerSection(new QWidget)
    , m_answerText(new BubbleTextView)
    , m_turnsContainer(new QWidget)
    , m_turnsLayout(new QVBoxLayout(m_turnsContainer))
    , m_pendingBlock(new QWidget)
    , m_pendingLayout(new QVBoxLayout(m_pendingBlock))
    , m_spinner(new BusyIndicator)
{
    auto *answerCard = new PanelCard(PanelCard::Fill::card, 14);
    auto *cardLayout = new QVBoxLayout(answerCard);
    cardLayout->setContentsMargins(14, 12, 14, 12);
    cardLayout->addWidget(m_answerText);
    m_answerText->setAccessibleName(answerTitle);
    m_answerText->setFillsWidth(true);
    auto *sectionLayout = new QVBoxLayout(m_answerSection);
    sectionLayout->setContentsMargins(0, 0, 0, 0);
    sectionLayout->setSpacing(8);
    sectionLayout->addWidget(makePanelLabel(answerTitle, 13, QFont::DemiBold, false));
    sectionLayout->addWidget(answerCard);

    m_turnsLayout->setContentsMargins(0, 0, 0, 0);
    m_turnsLayout->setSpacing(turnSpacing);

    auto *progressCard = new PanelCard(PanelCard::Fill::card, 14);
    auto *progressLayout = new QHBoxLayout(progressCard);
    progressLayout->setContentsMargins(12, 8, 14, 8);
    progressLayout->setSpacing(8);
    m_spinner->setFixedSize(18, 18);
    progressLayout->addWidget(m_spinner);
    progressLayout->addWidget(makePanelLabel(thinking, 13, QFont::Normal, true));
    auto *progressRow = new QHBoxLayout;
    progressRow->addWidget(progressCard);
    progressRow->addStretch(1);
    m_pendingLayout->setContentsMargins(0, 0, 0, 0);
    m_pendingLayout->setSpacing(turnSpacing);
    m_pendingLayout->addLayout(progressRow);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(turnSpacing);
    layout->addWidget(m_answerSection);
    layout->addWidget(m_turnsContainer);
    layout->addWidget(m_pendingBlock);
    m_answerSection->hide();
    m_turnsContainer->hide();
    m_pendingBlock->hide();
}

void ConversationColumn::render(const ResultOverlaySnapshot &snapshot)
{
    const ExchangeContent content = ResultOverlayViewRules::exchangeContent(snapshot);
    const bool showsAnswer = content == ExchangeContent::singleAnswer;
    if (showsAnswer)
        m_answerText->setMarkdownContent(snapshot.answer->content);
    m_answerSection->setVisible(showsAnswer);

    const bool showsConversation = content == ExchangeContent::conversation;
    showTurns(showsConversation ? snapshot.conversationHistory : QList<ConversationTurn>{});
    m_turnsContainer->setVisible(showsConversation);

    const bool pending = content == ExchangeContent::pendingFirstQuestion || (showsConversation && snapshot.isBusy);
    showPending(pending, snapshot.pendingQuestion);
}

void ConversationColumn::showTurns(const QList<ConversationTurn> &turns)
{
    qsizetype kept = 0;
    while (kept < m_turns.size() && kept < turns.size() && m_turns.at(kept) == turns.at(kept))
        ++kept;
    // Each turn has two rows: its question and its answer.
    while (m_turnRows.size() > kept * 2)
        delete m_turnRows.takeLast();
    for (qsizetype i = kept; i < turns.size(); ++i) {
        for (const auto &[role, text] : {std::pair{CopyableBubble::Role::user, turns.at(i).question},
                                         std::pair{CopyableBubble::Role::assistant, turns.at(i).answer}}) {
            QWidget *row = makeBubbleRow(new CopyableBubble(role, text));
            m_turnsLayout->addWidget(row);
            m_turnRows.append(row);
        }
    }
    m_turns = turns;
}

void ConversationColumn::showPending(bool visible, const std::optional<QString> &question)
{
    const std::optional<QString> shownQuestion = visible ? question : std::nullopt;
    if (shownQuestion != m_pendingQuestion || (shownQuestion && !m_pendingQuestionRow)) {
        delete m_pendingQuestionRow;
        m_pendingQuestionRow = nullptr;
        if (shownQuestion) {
            m_pendingQuestionRow = makeBubbleRow(new CopyableBubble(CopyableBubble::Role::user, *shownQuestion));
            m_pendingLayout->insertWidget(0, m_pendingQuestionRow);
        }
        m_pendingQuestion = shownQuestion;
    }
    m_pendingBlock->setVisible(visible);
}

QList<CopyableBubble *> ConversationColumn::bubbles() const
{
    QList<CopyableBubble *> result;
    for (QWidget *row : m_turnRows)
        result.append(row->findChild<CopyableBubble *>());
    if (m_pendingQuestionRow && m_pendingBlock->isVisibleTo(this))
        result.append(m_pendingQuestionRow->findChild<CopyableBubble *>());
    return result;
}

bool ConversationColumn::showsAnswerCard() const
{
    return m_answerSection->isVisibleTo(this);
}

bool ConversationColumn::showsThinking() const
{
    return m_pendingBlock->isVisibleTo(this);
}
