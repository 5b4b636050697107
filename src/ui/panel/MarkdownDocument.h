#pragma once

#include <QString>

class QColor;
class QTextDocument;

// Lays an answer's markdown into a text document, one block per line: paragraphs, numbered and
// bulleted items with a hanging indent behind their own marker, and 6-point blank lines, each
// line's inline syntax styled. Builds with the cursor API only: nothing of the answer is ever
// read as HTML, and no resource is loaded.
namespace MarkdownDocument {
constexpr qreal rowSpacing = 6;
constexpr qreal markerSpacing = 6;

void build(QTextDocument &document, const QString &markdown, const QColor &linkColor);
} // namespace MarkdownDocument
