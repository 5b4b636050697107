#pragma once

#include "HomeTheme.h"

#include <QPushButton>

// A push button in one of the home window's styles. Painted from the palette at paint time, so a
// theme change restyles it at once (style sheets keep the colours they were first given).
class HomeButton : public QPushButton
{
    Q_OBJECT
public:
    HomeButton(HomeTheme::ButtonStyle style, const QString &text, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QMargins padding() const;

    HomeTheme::ButtonStyle m_style;
};
