#pragma once

#include <QWidget>

#include <optional>

class PanelIconButton;
class QLabel;

// The panel's title bar: close button, product name and the settings gear, 52 points tall with
// a hairline under it. Dragging it moves the panel.
class PanelHeader : public QWidget
{
    Q_OBJECT
public:
    static constexpr int headerHeight = 52;

    explicit PanelHeader(QWidget *parent = nullptr);

    PanelIconButton *closeButton() const { return m_closeButton; }
    PanelIconButton *settingsButton() const { return m_settingsButton; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void updateNameColour();

    PanelIconButton *m_closeButton;
    PanelIconButton *m_settingsButton;
    QLabel *m_name;
    // Where a manual move started, when the window manager cannot move the window itself.
    std::optional<QPoint> m_dragOffset;
};
