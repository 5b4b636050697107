#pragma once

#include "overlay/ResultOverlayViewRules.h"

#include <QWidget>

#include <optional>

class CaptureContextBar;
class ConversationColumn;
class ErrorStateView;
class PanelHeader;
class PanelIconButton;
class PromptTextView;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QVariantAnimation;
class QuestionRow;
class QuickActionGrid;
class ResultOverlayViewModel;

// The answer panel's content: header, quick actions, the line about the capture, the answer or
// the conversation, and the question field; or the error card after a failure. It renders the
// view model's snapshot and sends the user's intent back through its callbacks, keeping only
// the draft, focus, hover and scroll state of its own.
class ResultOverlayView : public QWidget
{
    Q_OBJECT
public:
    explicit ResultOverlayView(ResultOverlayViewModel &model, QWidget *parent = nullptr);

    QString draftQuestion() const;
    bool canAskCustomQuestion() const;
    void submitCustomQuestion();

    PanelHeader *header() const { return m_header; }
    QuickActionGrid *quickActions() const { return m_quickActions; }
    CaptureContextBar *contextBar() const { return m_contextBar; }
    ConversationColumn *conversation() const { return m_conversation; }
    ErrorStateView *errorState() const { return m_errorState; }
    PromptTextView *questionField() const;
    PanelIconButton *sendButton() const;
    QPushButton *footerButton() const { return m_footerButton; }
    QScrollArea *conversationScrollArea() const { return m_conversationScroll; }
    bool showsError() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void render();
    void draftChanged();
    void focusQuestionField();
    void scrollToBottom();
    void updateTabOrder();

    ResultOverlayViewModel &m_model;
    PanelHeader *m_header;
    QStackedWidget *m_pages;
    QScrollArea *m_conversationScroll;
    QuickActionGrid *m_quickActions;
    CaptureContextBar *m_contextBar;
    ConversationColumn *m_conversation;
    QuestionRow *m_questionRow;
    ErrorStateView *m_errorState;
    QPushButton *m_footerButton;
    QVariantAnimation *m_scrollAnimation;

    std::optional<ResultOverlaySnapshot> m_rendered;
    ResultOverlayViewRules::AutoScrollState m_previousAutoScrollState;
    bool m_applyingSnapshotDraft = false;
    // The draft as the controller knows it: the last one it showed or was told of.
    QString m_controllerDraft;
};
