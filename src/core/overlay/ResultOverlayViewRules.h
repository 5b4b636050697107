#pragma once

#include "ResultOverlaySnapshot.h"

#include <QString>

#include <optional>

// The decisions of the answer panel's content that do not depend on widgets.
namespace ResultOverlayViewRules {

// A question can be sent while nothing runs and the draft holds more than white space.
bool canAskCustomQuestion(const QString &draftQuestion, bool isBusy);

// Short one-line answers sit in a bubble as wide as their text; anything longer spans the panel.
bool shouldUseExpandedAssistantBubble(const QString &answer);

// What the conversation showed when it last scrolled itself.
struct AutoScrollState
{
    qsizetype historyCount = 0;
    std::optional<QString> pendingQuestion;
    bool isBusy = false;

    bool operator==(const AutoScrollState &) const = default;
};

AutoScrollState autoScrollState(const ResultOverlaySnapshot &snapshot);
// A new turn, a new (or finished) pending question, or work starting scrolls to the bottom; work
// ending alone does not.
bool shouldScrollToBottom(const AutoScrollState &previous, const AutoScrollState &current);

// What the panel's exchange area shows for a snapshot.
enum class ExchangeContent {
    error,                // the error card (and the permission card); no conversation, no field
    nothing,              // quick actions only
    pendingFirstQuestion, // the question as a bubble and "Thinking..."
    singleAnswer,         // the "AI Answer" card
    conversation          // every turn, then the pending block while busy
};
ExchangeContent exchangeContent(const ResultOverlaySnapshot &snapshot);

} // namespace ResultOverlayViewRules
