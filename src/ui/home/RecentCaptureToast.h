#pragma once

#include <QLabel>
#include <QPropertyAnimation>

#include <optional>

class QGraphicsOpacityEffect;

// The small capsule over the selected-region card ("Copied to Clipboard") that fades in while
// the controller holds a toast message and fades out when it clears it.
class RecentCaptureToast : public QLabel
{
    Q_OBJECT
public:
    explicit RecentCaptureToast(QWidget *parent = nullptr);

    void showMessage(const std::optional<QString> &message);
    bool isShowing() const { return m_showing; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QGraphicsOpacityEffect *m_opacity;
    QPropertyAnimation m_fade;
    bool m_showing = false;
};
