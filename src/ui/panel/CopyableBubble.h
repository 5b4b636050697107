#pragma once

#include <QTimer>
#include <QWidget>

class BubbleTextView;
class PanelIconButton;
class QGraphicsOpacityEffect;
class QPropertyAnimation;

// A chat bubble of the conversation: the user's question as plain text or an answer as markdown,
// on a rounded fill of its role, with a copy button in its corner while the pointer is over it.
// Copy puts the raw text on the clipboard (an answer's markdown markers included) and shows a
// check mark for 1.5 s.
class CopyableBubble : public QWidget
{
    Q_OBJECT
public:
    enum class Role { user, assistant };
    static constexpr int copiedFeedbackMilliseconds = 1500;
    static constexpr int userBubbleMaximumWidth = 560;

    CopyableBubble(Role role, const QString &text, QWidget *parent = nullptr);

    Role role() const { return m_role; }
    const QString &text() const { return m_text; }
    bool expandsToMaxWidth() const { return m_expandsToMaxWidth; }
    bool showsCopied() const { return m_copiedTimer.isActive(); }
    PanelIconButton *copyButton() const { return m_copyButton; }
    BubbleTextView *textView() const { return m_textView; }

    void copy();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fadeCopyButton(bool visible);
    void placeCopyButton();

    Role m_role;
    QString m_text;
    bool m_expandsToMaxWidth = false;
    BubbleTextView *m_textView;
    PanelIconButton *m_copyButton;
    QGraphicsOpacityEffect *m_copyButtonOpacity;
    QPropertyAnimation *m_copyButtonFade;
    QTimer m_copiedTimer;
};

// A bubble with the free space around it: a question right-aligned with room on its left, an
// answer left-aligned with room on its right, spanning the width when it is long.
QWidget *makeBubbleRow(CopyableBubble *bubble);
