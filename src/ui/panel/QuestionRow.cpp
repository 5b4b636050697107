#include "QuestionRow.h"

#include "PanelIconButton.h"
#include "PromptTextView.h"
#include "theme/PanelPalette.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace {
const QString placeholder = QStringLiteral("Ask anything");
const QString caption = QStringLiteral("AI powered by GPT");
} // namespace

QuestionRow::QuestionRow(QWidget *parent)
    : QWidget(parent)
    , m_frame(new QWidget)
    , m_field(new PromptTextView)
    , m_sendButton(new PanelIconButton(PanelIcon::Kind::arrowUp, PanelIconButton::Look::send, tr("Ask")))
{
    m_field->setPlaceholderText(placeholder);
    m_field->setAccessibleName(tr("Question"));
    m_sendButton->setToolTip(tr("Ask"));

    auto *row = new QHBoxLayout(m_frame);
    row->setContentsMargins(2, 0, 9, 0);
    row->setSpacing(4);
    row->addWidget(m_field, 1, Qt::AlignVCenter);
    row->addWidget(m_sendButton, 0, Qt::AlignBottom);
    // The send button sits centred on a one-line row and at the bottom of a taller one.
    row->setAlignment(m_sendButton, Qt::AlignBottom);
    m_frame->setMinimumHeight(minimumRowHeight);
    m_frame->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    const auto updateRowHeight = [this](int fieldHeight) {
        m_frame->setMinimumHeight(std::max(fieldHeight, minimumRowHeight));
        const int bottom = (std::max(fieldHeight, minimumRowHeight) - m_sendButton->height()) / 2;
        m_frame->layout()->setContentsMargins(2, 0, 9, std::min(bottom, 9));
    };
    connect(m_field, &PromptTextView::calculatedHeightChanged, this, updateRowHeight);
    updateRowHeight(m_field->calculatedHeight());

    auto *captionLabel = new QLabel(caption);
    captionLabel->setTextFormat(Qt::PlainText);
    QFont captionFont = captionLabel->font();
    captionFont.setPixelSize(11);
    captionFont.setWeight(QFont::Medium);
    captionLabel->setFont(captionFont);
    captionLabel->setForegroundRole(QPalette::PlaceholderText);
    captionLabel->setAlignment(Qt::AlignHCenter);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_frame);
    layout->addWidget(captionLabel);
}

void QuestionRow::setSendTitle(const QString &title)
{
    m_sendButton->setToolTip(title);
    m_sendButton->setAccessibleName(title);
}

void QuestionRow::paintEvent(QPaintEvent *)
{
    const PanelPalette colors = PanelPalette::of(palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colors.questionFieldBorder(), 1));
    painter.setBrush(colors.cardFill());
    painter.drawRoundedRect(QRectF(m_frame->geometry()).adjusted(0.5, 0.5, -0.5, -0.5), 22, 22);
}

void QuestionRow::mousePressEvent(QMouseEvent *event)
{
    m_field->focusAt(m_field->mapFrom(this, event->position().toPoint()));
    event->accept();
}
