#pragma once

#include "presets/PromptPreset.h"

#include <QWidget>

class QLabel;
class QMimeData;

// One quick action on the home window: its title, its prompt, and a handle to drag it by. A click
// selects it, a double click opens its editor, and a drag of plain text over it asks for a swap.
class PromptPresetCard : public QWidget
{
    Q_OBJECT
public:
    static constexpr int minimumCardHeight = 104;
    static inline const QString editTip = QStringLiteral("Double click to edit");
    static inline const QString dragTip = QStringLiteral("Drag to reorder");

    explicit PromptPresetCard(PromptPreset preset, QWidget *parent = nullptr);

    PromptPreset preset() const { return m_preset; }
    void setConfiguration(const PromptPresetConfiguration &configuration);
    void setSelected(bool selected);
    void setDragging(bool dragging);
    bool isSelected() const { return m_selected; }
    bool isDragging() const { return m_dragging; }
    QLabel *dragHandle() const { return m_handle; }

Q_SIGNALS:
    void selectRequested();
    void editRequested();
    // The handle was dragged far enough: start a drag of this preset.
    void dragStartRequested();
    // A drag of plain text entered the card, or was dropped on it.
    void dragEntered();
    void dropped();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paintHandle();

    PromptPreset m_preset;
    QLabel *m_title;
    QLabel *m_prompt;
    QLabel *m_handle;
    QPoint m_handlePressedAt;
    bool m_selected = false;
    bool m_dragging = false;
    bool m_hovered = false;
};
