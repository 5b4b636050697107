#include "PanelHeader.h"

#include "PanelCard.h"
#include "PanelIconButton.h"
#include "theme/PanelPalette.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace {
const QString productName = QStringLiteral("Orvanta");
}

PanelHeader::PanelHeader(QWidget *parent)
    : QWidget(parent)
    , m_closeButton(new PanelIconButton(PanelIcon::Kind::close, PanelIconButton::Look::header, tr("Close")))
    , m_settingsButton(new PanelIconButton(PanelIcon::Kind::gear, PanelIconButton::Look::header, tr("Settings")))
    , m_name(makePanelLabel(productName, 13, QFont::DemiBold, false))
{
    setFixedHeight(headerHeight);
    m_closeButton->setToolTip(tr("Close"));
    m_settingsButton->setToolTip(tr("Settings"));

    auto *closeSlot = new QWidget;
    closeSlot->setFixedSize(32, 32);
    auto *slotLayout = new QHBoxLayout(closeSlot);
    slotLayout->setContentsMargins(0, 0, 0, 0);
    slotLayout->addWidget(m_closeButton, 0, Qt::AlignCenter);

    updateNameColour();

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 0, 16, 1);
    layout->setSpacing(8);
    layout->addWidget(closeSlot);
    layout->addWidget(m_name);
    layout->addStretch(1);
    layout->addWidget(m_settingsButton);
}

void PanelHeader::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(QRect(0, height() - 1, width(), 1), PanelPalette::of(palette()).separator());
}

void PanelHeader::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateNameColour();
}

void PanelHeader::updateNameColour()
{
    QPalette namePalette = m_name->palette();
    namePalette.setColor(QPalette::WindowText, PanelPalette::of(palette()).productName());
    m_name->setPalette(namePalette);
}

void PanelHeader::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    QWindow *handle = window()->windowHandle();
    if (handle && handle->startSystemMove()) {
        event->accept();
        return;
    }
    m_dragOffset = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
    event->accept();
}

void PanelHeader::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragOffset)
        window()->move(event->globalPosition().toPoint() - *m_dragOffset);
    QWidget::mouseMoveEvent(event);
}

void PanelHeader::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragOffset.reset();
    QWidget::mouseReleaseEvent(event);
}
