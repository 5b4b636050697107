#pragma once

#include "PanelIcon.h"

#include <QAbstractButton>

// A drawn icon button of the answer panel, with a pointing-hand cursor and hover colours.
class PanelIconButton : public QAbstractButton
{
    Q_OBJECT
public:
    enum class Look {
        header, // 13-point icon on an 18x18 rounded background that shows on hover
        send,   // a 34x34 disc whose fill follows enabled and hover
        copy    // a bare 9-point icon
    };

    PanelIconButton(PanelIcon::Kind kind, Look look, const QString &accessibleName, QWidget *parent = nullptr);

    void setIconKind(PanelIcon::Kind kind);
    PanelIcon::Kind iconKind() const { return m_kind; }
    bool isHovered() const { return m_hovered; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    PanelIcon::Kind m_kind;
    Look m_look;
    bool m_hovered = false;
};
