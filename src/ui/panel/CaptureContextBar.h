#pragma once

#include <QWidget>

class BusyIndicator;
class QLabel;

// "Based on your selected capture" with a badge saying whether the capture goes as TEXT or as
// an IMAGE; while the capture is still being read, a spinner says so.
class CaptureContextBar : public QWidget
{
    Q_OBJECT
public:
    explicit CaptureContextBar(QWidget *parent = nullptr);

    void setImageMode(bool isImage);
    void setReading(bool reading);
    bool isReading() const { return m_reading; }
    QString badgeText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_text;
    QWidget *m_badgeCard;
    QLabel *m_badge;
    BusyIndicator *m_spinner;
    bool m_reading = false;
};
