#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// A rounded fill of the answer panel, in the colour of its kind for the current scheme.
class PanelCard : public QWidget
{
    Q_OBJECT
public:
    enum class Fill { card, placeholder, badge };

    PanelCard(Fill fill, qreal cornerRadius, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Fill m_fill;
    qreal m_cornerRadius;
};

// A label for text that may come from outside (answers, service messages): never rich text.
QLabel *makePanelLabel(const QString &text, int pixelSize, int weight, bool secondary, QWidget *parent = nullptr);

// A push button of the panel in its accent colour.
QPushButton *makePanelActionButton(QWidget *parent = nullptr);
