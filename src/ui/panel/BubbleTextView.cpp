#include "BubbleTextView.h"

#include "MarkdownDocument.h"
#include "overlay/MarkdownInline.h"
#include "theme/PanelPalette.h"

#include <QDesktopServices>
#include <QScrollBar>
#include <QTextDocument>
#include <QWheelEvent>

#include <cmath>

BubbleTextView::BubbleTextView(QWidget *parent) : QTextBrowser(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
    setFocusPolicy(Qt::NoFocus);
    setUndoRedoEnabled(false);
    document()->setDocumentMargin(0);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(this, &QTextBrowser::anchorClicked, this, &BubbleTextView::openLink);
}

void BubbleTextView::setPlainContent(const QString &text)
{
    if (!m_isMarkdown && text == m_content && !document()->isEmpty())
        return;
    m_content = text;
    m_isMarkdown = false;
    setPlainText(text);
    contentChanged();
}

void BubbleTextView::setMarkdownContent(const QString &markdown)
{
    if (m_isMarkdown && markdown == m_content && !document()->isEmpty())
        return;
    m_content = markdown;
    m_isMarkdown = true;
    MarkdownDocument::build(*document(), markdown, PanelPalette::of(palette()).accent());
    contentChanged();
}

void BubbleTextView::contentChanged()
{
    m_heightForWidth.clear();
    m_unwrappedWidth = -1;
    updateGeometry();
}

int BubbleTextView::idealTextWidth() const
{
    if (m_unwrappedWidth < 0) {
        // The width of the longest line laid out without wrapping.
        QTextDocument *text = document();
        const qreal shownWidth = text->textWidth();
        text->setTextWidth(-1);
        m_unwrappedWidth = int(std::ceil(text->idealWidth()));
        text->setTextWidth(shownWidth);
    }
    return m_unwrappedWidth;
}

int BubbleTextView::heightForWidth(int width) const
{
    if (const auto cached = m_heightForWidth.constFind(width); cached != m_heightForWidth.constEnd())
        return *cached;
    // Measure on the live document, then give it back the width it is shown at.
    QTextDocument *text = document();
    const qreal shownWidth = text->textWidth();
    text->setTextWidth(width);
    const int height = int(std::ceil(text->size().height()));
    text->setTextWidth(shownWidth);
    m_heightForWidth.insert(width, height);
    return height;
}

QSize BubbleTextView::sizeHint() const
{
    const int width = idealTextWidth() + 1;
    return {width, heightForWidth(width)};
}

QSize BubbleTextView::minimumSizeHint() const
{
    return {24, fontMetrics().height()};
}

void BubbleTextView::resizeEvent(QResizeEvent *event)
{
    QTextBrowser::resizeEvent(event);
    // A layout that did not ask heightForWidth (or asked for another width) still gets the
    // whole text: the view grows to it.
    const int needed = heightForWidth(viewport()->width());
    if (needed != height()) {
        setMinimumHeight(needed);
        updateGeometry();
    }
}

void BubbleTextView::wheelEvent(QWheelEvent *event)
{
    // Never scrolls itself: the conversation around it does.
    event->ignore();
}

void BubbleTextView::changeEvent(QEvent *event)
{
    QTextBrowser::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_isMarkdown) {
        m_isMarkdown = false; // rebuild the links in the new accent colour
        setMarkdownContent(m_content);
    } else if (event->type() == QEvent::FontChange) {
        contentChanged();
    }
}

void BubbleTextView::openLink(const QUrl &url)
{
    if (isOpenableMarkdownLink(url.toString()))
        QDesktopServices::openUrl(url);
}
