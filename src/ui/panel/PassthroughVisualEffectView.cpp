#include "PassthroughVisualEffectView.h"

#include "theme/PanelPalette.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>

PassthroughVisualEffectView::PassthroughVisualEffectView(QWidget *parent)
    : QWidget(parent)
    , m_opacity(new QGraphicsOpacityEffect(this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    m_opacity->setOpacity(0);
    setGraphicsEffect(m_opacity);
}

qreal PassthroughVisualEffectView::opacity() const
{
    return m_opacity->opacity();
}

void PassthroughVisualEffectView::setOpacity(qreal opacity)
{
    m_opacity->setOpacity(opacity);
    setVisible(opacity > 0);
}

void PassthroughVisualEffectView::paintEvent(QPaintEvent *)
{
    QColor veil = PanelPalette::of(palette()).background();
    veil.setAlphaF(0.86f);
    QPainter(this).fillRect(rect(), veil);
}
