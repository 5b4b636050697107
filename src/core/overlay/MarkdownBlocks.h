#pragma once

#include <QList>
#include <QString>

// The line grammar answers are shown with: every line is a paragraph, a numbered item, a bulleted
// item or a blank line. Block syntax beyond that (headings, fences, quotes, tables) is not
// interpreted; its lines show their markers literally.
struct MarkdownBlock
{
    enum class Kind { paragraph, orderedItem, unorderedItem, blank };

    Kind kind = Kind::blank;
    // Items: the digits and "." of a numbered item, or the bullet character itself.
    QString marker;
    // Paragraphs: the line as written; items: the rest of the line after the marker.
    QString text;

    bool operator==(const MarkdownBlock &) const = default;
};

QList<MarkdownBlock> parseMarkdownBlocks(const QString &markdown);
