#pragma once

#include <QWidget>

class QGraphicsOpacityEffect;

// The veil laid over the panel's content while it fades in: a translucent layer of the panel's
// own colour that every click passes through.
class PassthroughVisualEffectView : public QWidget
{
    Q_OBJECT
public:
    explicit PassthroughVisualEffectView(QWidget *parent = nullptr);

    qreal opacity() const;
    void setOpacity(qreal opacity);
    QGraphicsOpacityEffect *opacityEffect() const { return m_opacity; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QGraphicsOpacityEffect *m_opacity;
};
