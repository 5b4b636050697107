#include "CopyableBubble.h"

#include "BubbleTextView.h"
#include "PanelIconButton.h"
#include "overlay/ResultOverlayViewRules.h"
#include "theme/PanelPalette.h"

#include <QClipboard>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPropertyAnimation>

namespace {
constexpr int horizontalPadding = 12;
constexpr int verticalPadding = 9;
constexpr int sideRoom = 40;
constexpr int copyButtonInset = 4;
} // namespace

CopyableBubble::CopyableBubble(Role role, const QString &text, QWidget *parent)
    : QWidget(parent)
    , m_role(role)
    , m_text(text)
    , m_textView(new BubbleTextView)
    , m_copyButton(new PanelIconButton(PanelIcon::Kind::copy, PanelIconButton::Look::copy,
                                       role == Role::user ? tr("Copy question") : tr("Copy answer"), this))
    , m_copyButtonOpacity(new QGraphicsOpacityEffect(m_copyButton))
    , m_copyButtonFade(new QPropertyAnimation(m_copyButtonOpacity, "opacity", this))
{
    if (role == Role::user) {
        m_textView->setPlainContent(text);
    } else {
        m_textView->setMarkdownContent(text);
        m_expandsToMaxWidth = ResultOverlayViewRules::shouldUseExpandedAssistantBubble(text);
        m_textView->setFillsWidth(m_expandsToMaxWidth);
    }
    m_textView->setAccessibleName(role == Role::user ? tr("Your question") : tr("Answer"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(horizontalPadding, verticalPadding, horizontalPadding, verticalPadding);
    layout->addWidget(m_textView);

    QSizePolicy policy(m_expandsToMaxWidth ? QSizePolicy::Expanding : QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    if (role == Role::user)
        setMaximumWidth(userBubbleMaximumWidth);

    m_copyButton->setFocusPolicy(Qt::NoFocus);
    m_copyButton->setToolTip(tr("Copy"));
    m_copyButtonOpacity->setOpacity(0);
    m_copyButton->setGraphicsEffect(m_copyButtonOpacity);
    m_copyButtonFade->setDuration(150);
    m_copyButtonFade->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_copyButton, &QAbstractButton::clicked, this, &CopyableBubble::copy);

    m_copiedTimer.setSingleShot(true);
    m_copiedTimer.setInterval(copiedFeedbackMilliseconds);
    connect(&m_copiedTimer, &QTimer::timeout, this, [this] { m_copyButton->setIconKind(PanelIcon::Kind::copy); });
}

void CopyableBubble::copy()
{
    QGuiApplication::clipboard()->setText(m_text);
    m_copyButton->setIconKind(PanelIcon::Kind::checkmark);
    m_copiedTimer.start();
}

void CopyableBubble::paintEvent(QPaintEvent *)
{
    const PanelPalette colors = PanelPalette::of(palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_role == Role::user ? colors.userBubble() : colors.assistantBubble());
    painter.drawRoundedRect(QRectF(rect()), 14, 14);
}

void CopyableBubble::enterEvent(QEnterEvent *event)
{
    fadeCopyButton(true);
    QWidget::enterEvent(event);
}

void CopyableBubble::leaveEvent(QEvent *event)
{
    fadeCopyButton(false);
    QWidget::leaveEvent(event);
}

void CopyableBubble::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeCopyButton();
}

void CopyableBubble::fadeCopyButton(bool visible)
{
    m_copyButtonFade->stop();
    m_copyButtonFade->setStartValue(m_copyButtonOpacity->opacity());
    m_copyButtonFade->setEndValue(visible ? 1.0 : 0.0);
    m_copyButtonFade->start();
    m_copyButton->raise();
}

void CopyableBubble::placeCopyButton()
{
    m_copyButton->move(width() - m_copyButton->width() - copyButtonInset,
                       height() - m_copyButton->height() - copyButtonInset);
}

QWidget *makeBubbleRow(CopyableBubble *bubble)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (bubble->role() == CopyableBubble::Role::user) {
        layout->addSpacing(sideRoom);
        layout->addStretch(1);
        layout->addWidget(bubble);
    } else {
        layout->addWidget(bubble, bubble->expandsToMaxWidth() ? 1 : 0);
        if (!bubble->expandsToMaxWidth())
            layout->addStretch(1);
        layout->addSpacing(sideRoom);
    }
    return row;
}
