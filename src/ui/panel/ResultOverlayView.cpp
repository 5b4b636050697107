#include "ResultOverlayView.h"

#include "CaptureContextBar.h"
#include "ConversationColumn.h"
#include "ErrorStateView.h"
#include "HoverScroller.h"
#include "PanelCard.h"
#include "PanelHeader.h"
#include "PanelIconButton.h"
#include "PromptTextView.h"
#include "QuestionRow.h"
#include "QuickActionGrid.h"
#include "ResultOverlayViewModel.h"

#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace {
constexpr int contentInset = 16;
constexpr int scrollMilliseconds = 200;

QScrollArea *makeScrollArea(QWidget *content)
{
    auto *area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBar(new HoverScroller(area));
    area->setWidget(content);
    area->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    return area;
}
} // namespace

ResultOverlayView::ResultOverlayView(ResultOverlayViewModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_header(new PanelHeader)
    , m_pages(new QStackedWidget)
    , m_quickActions(new QuickActionGrid)
    , m_contextBar(new CaptureContextBar)
    , m_conversation(new ConversationColumn)
    , m_questionRow(new QuestionRow)
    , m_errorState(new ErrorStateView)
    , m_footerButton(makePanelActionButton())
    , m_scrollAnimation(new QVariantAnimation(this))
{
    auto *column = new QWidget;
    auto *columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(contentInset, 14, contentInset, 12);
    columnLayout->setSpacing(14);
    columnLayout->addWidget(m_quickActions);
    columnLayout->addWidget(m_contextBar);
    columnLayout->addWidget(m_conversation);
    columnLayout->addStretch(1);
    m_conversationScroll = makeScrollArea(column);

    auto *conversationPage = new QWidget;
    auto *conversationLayout = new QVBoxLayout(conversationPage);
    conversationLayout->setContentsMargins(0, 0, 0, contentInset);
    conversationLayout->setSpacing(0);
    conversationLayout->addWidget(m_conversationScroll, 1);
    auto *fieldLayout = new QVBoxLayout;
    fieldLayout->setContentsMargins(contentInset, 4, contentInset, 0);
    fieldLayout->addWidget(m_questionRow);
    conversationLayout->addLayout(fieldLayout);

    auto *errorColumn = new QWidget;
    auto *errorLayout = new QVBoxLayout(errorColumn);
    errorLayout->setContentsMargins(contentInset, 14, contentInset, contentInset);
    errorLayout->addWidget(m_errorState);
    m_pages->addWidget(conversationPage);
    m_pages->addWidget(makeScrollArea(errorColumn));

    auto *footerLayout = new QHBoxLayout;
    footerLayout->setContentsMargins(contentInset, 0, contentInset, contentInset);
    footerLayout->addWidget(m_footerButton);
    footerLayout->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_pages, 1);
    layout->addLayout(footerLayout);

    m_scrollAnimation->setDuration(scrollMilliseconds);
    m_scrollAnimation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_scrollAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { m_conversationScroll->verticalScrollBar()->setValue(value.toInt()); });
    // Content laid out after the scroll began (a long answer) still ends at the bottom.
    connect(m_conversationScroll->verticalScrollBar(), &QScrollBar::rangeChanged, this, [this](int, int maximum) {
        if (m_scrollAnimation->state() == QAbstractAnimation::Running)
            m_scrollAnimation->setEndValue(maximum);
    });

    const auto callbacks = [this] { return m_model.callbacks; };
    connect(m_header->closeButton(), &QAbstractButton::clicked, this, [this] { window()->close(); });
    connect(m_header->settingsButton(), &QAbstractButton::clicked, this, [callbacks] {
        if (const auto open = callbacks().onOpenAppSettings)
            open();
    });
    connect(m_quickActions, &QuickActionGrid::presetClicked, this, [callbacks](PromptPreset preset) {
        if (const auto ask = callbacks().onAskPreset)
            ask(preset);
    });
    const auto openSettings = [callbacks] {
        if (const auto open = callbacks().onOpenSettings)
            open();
    };
    connect(m_errorState, &ErrorStateView::openSettingsRequested, this, openSettings);
    connect(m_footerButton, &QPushButton::clicked, this, openSettings);
    connect(questionField(), &PromptTextView::textChanged, this, &ResultOverlayView::draftChanged);
    connect(questionField(), &PromptTextView::submitRequested, this, &ResultOverlayView::submitCustomQuestion);
    connect(sendButton(), &QAbstractButton::clicked, this, &ResultOverlayView::submitCustomQuestion);
    connect(&m_model, &ResultOverlayViewModel::snapshotChanged, this, &ResultOverlayView::render);
    render();
}

PromptTextView *ResultOverlayView::questionField() const
{
    return m_questionRow->field();
}

PanelIconButton *ResultOverlayView::sendButton() const
{
    return m_questionRow->sendButton();
}

QString ResultOverlayView::draftQuestion() const
{
    return questionField()->toPlainText();
}

bool ResultOverlayView::canAskCustomQuestion() const
{
    return ResultOverlayViewRules::canAskCustomQuestion(draftQuestion(), m_model.snapshot().isBusy);
}

bool ResultOverlayView::showsError() const
{
    return m_pages->currentIndex() == 1;
}

void ResultOverlayView::submitCustomQuestion()
{
    if (!canAskCustomQuestion())
        return;
    const QString question = draftQuestion();
    questionField()->clear(); // reports the empty draft before the question goes out
    if (const auto ask = m_model.callbacks.onAskCustomQuestion)
        ask(question);
}

void ResultOverlayView::draftChanged()
{
    sendButton()->setEnabled(canAskCustomQuestion());
    if (m_applyingSnapshotDraft)
        return;
    m_controllerDraft = draftQuestion();
    if (const auto report = m_model.callbacks.onCustomQuestionChange)
        report(m_controllerDraft);
}

void ResultOverlayView::render()
{
    const ResultOverlaySnapshot &snapshot = m_model.snapshot();
    const std::optional<ResultOverlaySnapshot> previous = std::exchange(m_rendered, snapshot);
    using ResultOverlayViewRules::ExchangeContent;

    const bool error = ResultOverlayViewRules::exchangeContent(snapshot) == ExchangeContent::error;
    if (error)
        m_errorState->setError(*snapshot.errorMessage, snapshot.permissionGuidance);
    m_pages->setCurrentIndex(error ? 1 : 0);

    const QList<QuickActionButton *> buttonsBefore = m_quickActions->buttons();
    m_quickActions->setPresets(snapshot.presetOrder, snapshot.presetConfigurations, snapshot.activePreset,
                               snapshot.isBusy);
    if (m_quickActions->buttons() != buttonsBefore)
        updateTabOrder();
    // Before the capture is understood the bar says it is being read, unless a question already
    // shows its own progress.
    const bool reading = !snapshot.captureUnderstanding && snapshot.isBusy && !snapshot.pendingQuestion;
    m_contextBar->setReading(reading);
    m_contextBar->setVisible(snapshot.captureUnderstanding.has_value() || reading);
    if (snapshot.captureUnderstanding)
        m_contextBar->setImageMode(snapshot.captureUnderstanding->mode == CaptureUnderstandingMode::image);
    m_conversation->render(snapshot);

    m_questionRow->setSendTitle(snapshot.answer ? tr("Re-ask") : tr("Ask"));
    m_footerButton->setVisible(snapshot.permissionGuidance.has_value());
    if (snapshot.permissionGuidance) {
        m_footerButton->setText(snapshot.permissionGuidance->actionTitle);
        m_footerButton->setAccessibleName(snapshot.permissionGuidance->actionTitle);
    }

    // The controller's draft wins when it changes to something the field does not hold (a new
    // capture clears it, for one).
    if (m_controllerDraft != snapshot.customQuestion && snapshot.customQuestion != draftQuestion()) {
        m_applyingSnapshotDraft = true;
        questionField()->setPlainText(snapshot.customQuestion);
        questionField()->moveCursor(QTextCursor::End);
        m_applyingSnapshotDraft = false;
    }
    m_controllerDraft = snapshot.customQuestion;
    sendButton()->setEnabled(canAskCustomQuestion());

    const bool understandingArrived = previous && !previous->captureUnderstanding && snapshot.captureUnderstanding;
    const bool workEnded = previous && previous->isBusy && !snapshot.isBusy;
    if (!previous || understandingArrived || workEnded)
        focusQuestionField();

    const ResultOverlayViewRules::AutoScrollState scrollState = ResultOverlayViewRules::autoScrollState(snapshot);
    if (!previous || ResultOverlayViewRules::shouldScrollToBottom(m_previousAutoScrollState, scrollState))
        scrollToBottom();
    m_previousAutoScrollState = scrollState;
}

void ResultOverlayView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    focusQuestionField();
}

void ResultOverlayView::focusQuestionField()
{
    QTimer::singleShot(0, this, [this] {
        if (!showsError() && window()->isVisible())
            questionField()->setFocus(Qt::OtherFocusReason);
    });
}

void ResultOverlayView::scrollToBottom()
{
    QTimer::singleShot(0, this, [this] {
        QScrollBar *bar = m_conversationScroll->verticalScrollBar();
        m_scrollAnimation->stop();
        m_scrollAnimation->setStartValue(bar->value());
        m_scrollAnimation->setEndValue(bar->maximum());
        m_scrollAnimation->start();
    });
}

void ResultOverlayView::updateTabOrder()
{
    QWidget *previous = nullptr;
    QList<QWidget *> chain;
    for (QuickActionButton *button : m_quickActions->buttons())
        chain.append(button);
    chain << questionField() << sendButton() << m_header->settingsButton() << m_header->closeButton();
    for (QWidget *widget : chain) {
        if (previous)
            setTabOrder(previous, widget);
        previous = widget;
    }
}
