#include "CaptureContextBar.h"

#include "PanelCard.h"
#include "PanelIcon.h"
#include "theme/PanelPalette.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace {
const QString basedOnCapture = QStringLiteral("Based on your selected capture");
constexpr int iconSize = 13;
} // namespace

CaptureContextBar::CaptureContextBar(QWidget *parent)
    : QWidget(parent)
    , m_badge(makePanelLabel(QStringLiteral("TEXT"), 10, QFont::DemiBold, true))
{
    auto *badgeCard = new PanelCard(PanelCard::Fill::badge, 6);
    auto *badgeLayout = new QHBoxLayout(badgeCard);
    badgeLayout->setContentsMargins(8, 4, 8, 4);
    badgeLayout->addWidget(m_badge);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2 + iconSize + 6, 0, 2, 0);
    layout->setSpacing(8);
    layout->addWidget(makePanelLabel(basedOnCapture, 12, QFont::Medium, true));
    layout->addWidget(badgeCard);
    layout->addStretch(1);
    setAccessibleName(basedOnCapture);
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
    QPainter painter(this);
    const QRectF icon(2, (height() - iconSize) / 2.0, iconSize, iconSize);
    PanelIcon::paint(painter, PanelIcon::Kind::selectionPin, icon, PanelPalette::of(palette()).secondaryText());
}
