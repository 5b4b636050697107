#pragma once

#include <QTextEdit>

// The question field's editor: plain text only, with undo; Return sends, Shift+Return breaks
// the line, and Return while an input method composes finishes the composition. It grows from
// one line to ten and then scrolls.
class PromptTextView : public QTextEdit
{
    Q_OBJECT
public:
    static constexpr int maximumLines = 10;
    static constexpr int horizontalInset = 14;

    explicit PromptTextView(QWidget *parent = nullptr);

    // The height the field wants for its text, between one line and ten.
    int calculatedHeight() const { return m_calculatedHeight; }
    void recalculateHeight();
    // Focuses the field with the caret at the character nearest to `position` (field coordinates).
    void focusAt(QPoint position);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void submitRequested();
    void calculatedHeightChanged(int height);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool isComposing() const;
    void commitComposition();
    qreal lineHeight() const;
    void updateInsets();

    int m_calculatedHeight = 36;
};
