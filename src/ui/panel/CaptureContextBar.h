#pragma once

#include <QWidget>

class QLabel;

// "Based on your selected capture" with a badge saying whether the capture goes as TEXT or as
// an IMAGE.
class CaptureContextBar : public QWidget
{
    Q_OBJECT
public:
    explicit CaptureContextBar(QWidget *parent = nullptr);

    void setImageMode(bool isImage);
    QString badgeText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_badge;
};
