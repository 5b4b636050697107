#pragma once

#include <QWidget>

// A rounded card in the palette's base colour. Painted rather than styled with a style sheet,
// so it follows a theme change at once like everything else.
class RoundedPanel : public QWidget
{
    Q_OBJECT
public:
    explicit RoundedPanel(qreal cornerRadius, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_cornerRadius;
};
