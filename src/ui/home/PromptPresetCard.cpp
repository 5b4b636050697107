#include "PromptPresetCard.h"

#include "PromptPresetDropDelegate.h"
#include "theme/HomeTheme.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr qreal cornerRadius = 10;
} // namespace

PromptPresetCard::PromptPresetCard(PromptPreset preset, QWidget *parent)
    : QWidget(parent)
    , m_preset(preset)
    , m_title(HomeTheme::label({}, 15, QFont::DemiBold))
    , m_prompt(HomeTheme::label({}, 13, QFont::Normal, true))
    , m_handle(new QLabel)
{
    setMinimumHeight(minimumCardHeight);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setAttribute(Qt::WA_Hover);
    setToolTip(editTip);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(14);
    auto *header = new QHBoxLayout;
    header->addWidget(m_title);
    header->addStretch();
    m_handle->setToolTip(dragTip);
    m_handle->setCursor(Qt::OpenHandCursor);
    m_handle->setAlignment(Qt::AlignCenter);
    m_handle->setFixedSize(34, 26);
    m_handle->installEventFilter(this);
    header->addWidget(m_handle);
    layout->addLayout(header);
    m_prompt->setWordWrap(true);
    m_prompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_prompt, 1);
    paintHandle();
}

void PromptPresetCard::setConfiguration(const PromptPresetConfiguration &configuration)
{
    m_title->setText(configuration.title);
    m_prompt->setText(configuration.prompt);
    setAccessibleName(QStringLiteral("Quick action %1").arg(configuration.title));
    m_handle->setAccessibleName(QStringLiteral("Reorder %1").arg(configuration.title));
}

void PromptPresetCard::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

void PromptPresetCard::setDragging(bool dragging)
{
    if (dragging == m_dragging)
        return;
    m_dragging = dragging;
    paintHandle();
    update();
}

void PromptPresetCard::paintHandle()
{
    // Three short bars, accent-coloured while dragging, on a faint rounded ground.
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(m_handle->size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(HomeTheme::primaryAt(palette(), m_dragging ? 0.12 : 0.06));
    painter.drawRoundedRect(QRectF(QPointF(), m_handle->size()), 7, 7);
    painter.setPen(QPen(m_dragging ? HomeTheme::accent(palette()) : HomeTheme::secondaryText(palette()), 2,
                        Qt::SolidLine, Qt::RoundCap));
    const QPointF centre(m_handle->width() / 2.0, m_handle->height() / 2.0);
    for (int line = -1; line <= 1; ++line)
        painter.drawLine(centre + QPointF(-6, line * 4), centre + QPointF(6, line * 4));
    painter.end();
    m_handle->setPixmap(pixmap);
}

void PromptPresetCard::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill =
        m_dragging ? HomeTheme::accentAt(palette(), 0.14) : HomeTheme::primaryAt(palette(), m_hovered ? 0.12 : 0.06);
    QPen border = Qt::NoPen;
    if (m_dragging)
        border = QPen(HomeTheme::accentAt(palette(), 0.9), 1);
    else if (!m_selected && m_hovered)
        border = QPen(QColor(255, 255, 255, 26), 1);
    painter.setPen(border);
    painter.setBrush(fill);
    painter.drawRoundedRect(frame, cornerRadius, cornerRadius);
    // The selection shows as the accent along the leading edge, and keyboard focus as a ring.
    if (m_selected) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(HomeTheme::accent(palette()));
        painter.drawRoundedRect(QRectF(frame.left(), frame.top() + 12, 3, frame.height() - 24), 1.5, 1.5);
    }
    if (hasFocus()) {
        painter.setPen(QPen(HomeTheme::accentAt(palette(), 0.6), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(frame.adjusted(1, 1, -1, -1), cornerRadius, cornerRadius);
    }
}

void PromptPresetCard::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
    Q_EMIT selectRequested();
}

void PromptPresetCard::mouseDoubleClickEvent(QMouseEvent *event)
{
    QWidget::mouseDoubleClickEvent(event);
    Q_EMIT editRequested();
}

void PromptPresetCard::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        Q_EMIT selectRequested();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT editRequested();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void PromptPresetCard::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    m_hovered = true;
    update();
}

void PromptPresetCard::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_hovered = false;
    update();
}

void PromptPresetCard::dragEnterEvent(QDragEnterEvent *event)
{
    if (!PromptPresetDropDelegate::acceptsDrop(*event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    Q_EMIT dragEntered();
}

void PromptPresetCard::dragMoveEvent(QDragMoveEvent *event)
{
    // While hovering the proposal is always a move.
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void PromptPresetCard::dropEvent(QDropEvent *event)
{
    event->setDropAction(Qt::MoveAction);
    event->accept();
    Q_EMIT dropped();
}

bool PromptPresetCard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_handle)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        m_handlePressedAt = static_cast<QMouseEvent *>(event)->position().toPoint();
        return true;
    }
    if (event->type() == QEvent::MouseMove) {
        auto *move = static_cast<QMouseEvent *>(event);
        if ((move->buttons() & Qt::LeftButton) &&
            (move->position().toPoint() - m_handlePressedAt).manhattanLength() >= QApplication::startDragDistance())
            Q_EMIT dragStartRequested();
        return true;
    }
    if (event->type() == QEvent::PaletteChange)
        paintHandle();
    return QWidget::eventFilter(watched, event);
}
