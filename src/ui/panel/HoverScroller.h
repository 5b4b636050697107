#pragma once

#include <QScrollBar>

// A thin overlay-style scroll bar: no track, a capsule knob that darkens while the pointer is
// over it. Shown only while there is something to scroll.
class HoverScroller : public QScrollBar
{
    Q_OBJECT
public:
    explicit HoverScroller(QWidget *parent = nullptr);
    QSize sizeHint() const override { return {10, 40}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool m_hovered = false;
};
