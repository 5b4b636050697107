#pragma once

#include <QWidget>

class QPainter;

// The dashed border window drawn around a captured region while its answer panel is shown.
class SelectionBorderView : public QWidget
{
    Q_OBJECT
public:
    SelectionBorderView();

    // The window grown by 1 point around `selection`: `existing` moved there when it is a border
    // window, else a new one. Brought to front only when new, so it stays beneath the panel.
    static SelectionBorderView *showAround(QWidget *existing, const QRectF &selection);

    // The border of `outer`: inset by 1 point, rounded by 4, dashed 6 on and 4 off. The
    // selection overlay draws the same border around the rectangle being dragged.
    static void paintBorder(QPainter &painter, const QRectF &outer);

protected:
    void paintEvent(QPaintEvent *event) override;
};
