#include "ResultOverlayViewRules.h"

#include <QTextBoundaryFinder>

namespace ResultOverlayViewRules {

namespace {
constexpr qsizetype compactAnswerCharacters = 30;

// Characters as a reader counts them: an emoji or a letter with its accents is one.
qsizetype graphemeCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}
} // namespace

bool canAskCustomQuestion(const QString &draftQuestion, bool isBusy)
{
    return !isBusy && !draftQuestion.trimmed().isEmpty();
}

bool shouldUseExpandedAssistantBubble(const QString &answer)
{
    const QString trimmed = answer.trimmed();
    if (graphemeCount(trimmed) < compactAnswerCharacters)
        return trimmed.contains(QLatin1Char('\n'));
    return true;
}

AutoScrollState autoScrollState(const ResultOverlaySnapshot &snapshot)
{
    return {snapshot.conversationHistory.size(), snapshot.pendingQuestion, snapshot.isBusy};
}

bool shouldScrollToBottom(const AutoScrollState &previous, const AutoScrollState &current)
{
    return previous.historyCount != current.historyCount || previous.pendingQuestion != current.pendingQuestion ||
           (!previous.isBusy && current.isBusy);
}

ExchangeContent exchangeContent(const ResultOverlaySnapshot &snapshot)
{
    if (snapshot.errorMessage)
        return ExchangeContent::error;
    if (!snapshot.conversationHistory.isEmpty())
        return ExchangeContent::conversation;
    if (snapshot.answer)
        return ExchangeContent::singleAnswer;
    if (snapshot.isBusy && snapshot.pendingQuestion)
        return ExchangeContent::pendingFirstQuestion;
    return ExchangeContent::nothing;
}

} // namespace ResultOverlayViewRules
