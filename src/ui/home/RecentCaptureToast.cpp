#include "RecentCaptureToast.h"

#include "theme/HomeTheme.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>

namespace {
constexpr int fadeMilliseconds = 180;
} // namespace

RecentCaptureToast::RecentCaptureToast(QWidget *parent)
    : QLabel(parent)
    , m_opacity(new QGraphicsOpacityEffect(this))
    , m_fade(m_opacity, "opacity")
{
    setTextFormat(Qt::PlainText);
    setFont(HomeTheme::font(13, QFont::DemiBold));
    setContentsMargins(16, 7, 16, 7);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_opacity->setOpacity(0);
    setGraphicsEffect(m_opacity);
    m_fade.setDuration(fadeMilliseconds);
    connect(&m_fade, &QPropertyAnimation::finished, this, [this] {
        if (!m_showing)
            hide();
    });
    hide();
}

void RecentCaptureToast::showMessage(const std::optional<QString> &message)
{
    const bool showing = message.has_value();
    if (message)
        setText(*message);
    if (showing == m_showing)
        return;
    m_showing = showing;
    if (showing) {
        adjustSize();
        show();
        raise();
    }
    m_fade.stop();
    m_fade.setStartValue(m_opacity->opacity());
    m_fade.setEndValue(showing ? 1.0 : 0.0);
    m_fade.start();
}

void RecentCaptureToast::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor fill = palette().color(QPalette::WindowText);
    fill.setAlphaF(0.86);
    painter.setBrush(fill);
    const qreal radius = height() / 2.0;
    painter.drawRoundedRect(QRectF(rect()), radius, radius);
    // Text in the window colour: the capsule reads inverted in either scheme.
    painter.setPen(palette().color(QPalette::Window));
    painter.drawText(contentsRect(), Qt::AlignCenter, text());
}
