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
    m_linkColour = PanelPalette::of(palette()).accent();
    MarkdownDocument::build(*document(), markdown, m_linkColour);
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
    // Measured on the live document, left at that width: the layout asks for the width it is
    // about to give, and paintEvent lays the text out again should it end up elsewhere.
    QTextDocument *text = document();
    text->setTextWidth(width);
    const int height = int(std::ceil(text->size().height()));
    m_heightForWidth.insert(width, height);
    return height;
}

QSize BubbleTextView::sizeHint() const
{
    // A long text fills what it is given; only a short one asks for its own width.
    const int width = m_fillsWidth ? fillingWidthHint : idealTextWidth() + 1;
    return {width, heightForWidth(width)};
}

void BubbleTextView::setFillsWidth(bool fills)
{
    m_fillsWidth = fills;
    updateGeometry();
}

void BubbleTextView::paintEvent(QPaintEvent *event)
{
    if (document()->textWidth() != viewport()->width())
        document()->setTextWidth(viewport()->width());
    QTextBrowser::paintEvent(event);
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
    if (event->type() == QEvent::PaletteChange && m_isMarkdown &&
        PanelPalette::of(palette()).accent() != m_linkColour) {
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
