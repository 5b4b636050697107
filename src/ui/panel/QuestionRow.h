#pragma once

#include <QWidget>

class PanelIconButton;
class PromptTextView;

// The question field and its send button in one rounded row, with the caption under it. A click
// anywhere in the row puts the caret in the field.
class QuestionRow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int minimumRowHeight = 52;

    explicit QuestionRow(QWidget *parent = nullptr);

    PromptTextView *field() const { return m_field; }
    PanelIconButton *sendButton() const { return m_sendButton; }
    // "Re-ask" once an answer is shown, "Ask" before.
    void setSendTitle(const QString &title);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QWidget *m_frame;
    PromptTextView *m_field;
    PanelIconButton *m_sendButton;
};
