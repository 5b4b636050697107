#include "CaptureContextBar.h"

#include "PanelCard.h"
#include "PanelIcon.h"
#include "auth/BusyIndicator.h"
#include "theme/PanelPalette.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace {
const QString basedOnCapture = QStringLiteral("Based on your selected capture");
const QString readingCapture = QStringLiteral("Reading your capture...");
constexpr int iconSize = 13;
} // namespace

CaptureContextBar::CaptureContextBar(QWidget *parent)
    : QWidget(parent)
    , m_text(makePanelLabel(basedOnCapture, 12, QFont::Medium, true))
    , m_badgeCard(new PanelCard(PanelCard::Fill::badge, 6))
    , m_badge(makePanelLabel(QStringLiteral("TEXT"), 10, QFont::DemiBold, true))
    , m_spinner(new BusyIndicator)
{
    auto *badgeLayout = new QHBoxLayout(m_badgeCard);
    badgeLayout->setContentsMargins(8, 4, 8, 4);
    badgeLayout->addWidget(m_badge);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2 + iconSize + 6, 0, 2, 0);
    layout->setSpacing(8);
    m_spinner->setFixedSize(14, 14);
    m_spinner->hide();
    layout->addWidget(m_spinner);
    layout->addWidget(m_text);
    layout->addWidget(m_badgeCard);
    layout->addStretch(1);
    setAccessibleName(basedOnCapture);
}

void CaptureContextBar::setReading(bool reading)
{
    if (reading == m_reading)
        return;
    m_reading = reading;
    m_spinner->setVisible(reading);
    m_badgeCard->setVisible(!reading);
    m_text->setText(reading ? readingCapture : basedOnCapture);
    setAccessibleName(m_text->text());
    layout()->setContentsMargins(reading ? 2 : 2 + iconSize + 6, 0, 2, 0);
    update();
}

void CaptureContextBar::setImageMode(bool isImage)
{
    m_badge->setText(isImage ? QStringLiteral("IMAGE") : QStringLiteral("TEXT"));
    setAccessibleDescription(m_badge->text());
}

QString CaptureContextBar::badgeText() const
{
    return m_badge->text();
}

void CaptureContextBar::paintEvent(QPaintEvent *)
{
    if (m_reading)
        return;
    QPainter painter(this);
    const QRectF icon(2, (height() - iconSize) / 2.0, iconSize, iconSize);
    PanelIcon::paint(painter, PanelIcon::Kind::selectionPin, icon, PanelPalette::of(palette()).secondaryText());
}
