#include "PromptTextView.h"

#include "HoverScroller.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextLayout>

#include <cmath>

PromptTextView::PromptTextView(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(false);
    setUndoRedoEnabled(true);
    setTabChangesFocus(true);
    setFrameShape(QFrame::NoFrame);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBar(new HoverScroller(this));
    document()->setDocumentMargin(0);
    viewport()->setAutoFillBackground(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QTextEdit::textChanged, this, &PromptTextView::recalculateHeight);
    recalculateHeight();
}

qreal PromptTextView::lineHeight() const
{
    return QFontMetricsF(font()).lineSpacing();
}

void PromptTextView::recalculateHeight()
{
    const qreal line = lineHeight();
    const int minimum = std::max(int(std::ceil(line + 16)), 36);
    const int maximum = int(std::ceil(line * maximumLines + 12));
    const int content = int(std::ceil(std::max(document()->size().height() + 12, qreal(minimum))));
    const int height = std::min(maximum, content);
    if (height != m_calculatedHeight) {
        m_calculatedHeight = height;
        setFixedHeight(height);
        updateGeometry();
        Q_EMIT calculatedHeightChanged(height);
    } else if (this->height() != height) {
        setFixedHeight(height);
    }
    updateInsets();
}

void PromptTextView::updateInsets()
{
    // One line sits in the middle of the field; more lines keep a small margin.
    const qreal line = lineHeight();
    const int vertical = m_calculatedHeight <= 37 ? std::max(int(std::floor((m_calculatedHeight - line) * 0.5)), 8) : 6;
    const QMargins insets(horizontalInset, vertical, horizontalInset, vertical);
    if (viewportMargins() != insets)
        setViewportMargins(insets);
}

QSize PromptTextView::sizeHint() const
{
    return {200, m_calculatedHeight};
}

QSize PromptTextView::minimumSizeHint() const
{
    return {60, m_calculatedHeight};
}

bool PromptTextView::isComposing() const
{
    const QTextLayout *layout = textCursor().block().layout();
    return layout && !layout->preeditAreaText().isEmpty();
}

void PromptTextView::commitComposition()
{
    QGuiApplication::inputMethod()->commit();
    if (!isComposing())
        return;
    // No input method took the commit (none is running): keep what was composed as typed.
    const QString composed = textCursor().block().layout()->preeditAreaText();
    QInputMethodEvent commit;
    commit.setCommitString(composed);
    inputMethodEvent(&commit);
}

void PromptTextView::keyPressEvent(QKeyEvent *event)
{
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!isReturn) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    if (isComposing()) {
        commitComposition();
        event->accept();
        return;
    }
    if (event->modifiers() & Qt::ShiftModifier) {
        textCursor().insertText(QStringLiteral("\n"));
        ensureCursorVisible();
        event->accept();
        return;
    }
    event->accept();
    Q_EMIT submitRequested();
}

void PromptTextView::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    recalculateHeight();
}

void PromptTextView::focusAt(QPoint position)
{
    setFocus(Qt::MouseFocusReason);
    const QPoint inViewport = viewport()->mapFrom(this, QPoint(std::max(0, position.x()), std::max(0, position.y())));
    setTextCursor(cursorForPosition(QPoint(std::max(0, inViewport.x()), std::max(0, inViewport.y()))));
}
