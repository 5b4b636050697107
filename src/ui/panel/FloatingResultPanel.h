#pragma once

#include <QWidget>

#include <functional>

// The answer panel's window: a frameless tool window above ordinary windows that takes the
// keyboard when shown but never becomes the application's main window. Its edges resize it,
// Escape closes it, and closing it (by any means) calls onClose after hiding.
class FloatingResultPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int resizeMargin = 4;

    explicit FloatingResultPanel(QWidget *parent = nullptr);

    std::function<void()> onClose;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    Qt::Edges edgesAt(QPoint position) const;
};
