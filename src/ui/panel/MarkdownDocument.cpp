#include "MarkdownDocument.h"

#include "overlay/MarkdownBlocks.h"
#include "overlay/MarkdownInline.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QTextCursor>
#include <QTextDocument>

namespace MarkdownDocument {

namespace {
QTextCharFormat formatOf(const MarkdownInlineRun &run, const QFont &codeFont, const QColor &linkColor)
{
    QTextCharFormat format;
    if (run.strong)
        format.setFontWeight(QFont::Bold);
    if (run.emphasis)
        format.setFontItalic(true);
    if (run.strikethrough)
        format.setFontStrikeOut(true);
    if (run.code) {
        format.setFontFamilies(codeFont.families());
        format.setFontFixedPitch(true);
    }
    if (!run.link.isEmpty()) {
        format.setAnchor(true);
        format.setAnchorHref(run.link);
        format.setFontUnderline(true);
        format.setForeground(linkColor);
        format.setToolTip(run.link);
    }
    return format;
}

void insertInline(QTextCursor &cursor, const QString &line, const QFont &codeFont, const QColor &linkColor)
{
    const std::optional<QList<MarkdownInlineRun>> runs = parseMarkdownInline(line);
    if (!runs) {
        cursor.insertText(line, QTextCharFormat());
        return;
    }
    for (const MarkdownInlineRun &run : *runs)
        cursor.insertText(run.text, formatOf(run, codeFont, linkColor));
}
} // namespace

void build(QTextDocument &document, const QString &markdown, const QColor &linkColor)
{
    document.clear();
    const QFont codeFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFontMetricsF metrics(document.defaultFont());
    const QList<MarkdownBlock> blocks = parseMarkdownBlocks(markdown);

    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        const MarkdownBlock &block = blocks.at(i);
        QTextBlockFormat format;
        format.setBottomMargin(i + 1 < blocks.size() ? rowSpacing : 0);
        if (block.kind == MarkdownBlock::Kind::blank)
            format.setLineHeight(rowSpacing, QTextBlockFormat::FixedHeight);
        if (block.kind == MarkdownBlock::Kind::orderedItem || block.kind == MarkdownBlock::Kind::unorderedItem) {
            // The marker hangs left of the item's text, which wraps under itself.
            const qreal indent = metrics.horizontalAdvance(block.marker) + markerSpacing;
            format.setLeftMargin(indent);
            format.setTextIndent(-indent);
            format.setTabPositions({QTextOption::Tab(indent, QTextOption::LeftTab)});
        }
        if (i == 0)
            cursor.setBlockFormat(format);
        else
            cursor.insertBlock(format, QTextCharFormat());

        switch (block.kind) {
        case MarkdownBlock::Kind::blank:
            break;
        case MarkdownBlock::Kind::paragraph:
            insertInline(cursor, block.text, codeFont, linkColor);
            break;
        case MarkdownBlock::Kind::orderedItem:
        case MarkdownBlock::Kind::unorderedItem:
            cursor.insertText(block.marker + QLatin1Char('\t'), QTextCharFormat());
            insertInline(cursor, block.text, codeFont, linkColor);
            break;
        }
    }
    cursor.endEditBlock();
}

} // namespace MarkdownDocument
