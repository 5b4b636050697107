#include "MarkdownBlocks.h"

#include <QRegularExpression>

namespace {
// Tabs and every Unicode space separator (the no-break space among them); line breaks do not count.
bool isBlankLine(const QString &line)
{
    return std::all_of(line.cbegin(), line.cend(),
                       [](QChar c) { return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space; });
}
} // namespace

QList<MarkdownBlock> parseMarkdownBlocks(const QString &markdown)
{
    // Unicode-aware like ICU's: \s and \d match beyond ASCII.
    static const QRegularExpression ordered(QStringLiteral("^\\s*(\\d+)\\.\\s+(.*)$"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression unordered(QStringLiteral("^\\s*([-*+])\\s+(.*)$"),
                                              QRegularExpression::UseUnicodePropertiesOption);

    QString normalized = markdown;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = normalized.split(QLatin1Char('\n'));

    QList<MarkdownBlock> blocks;
    blocks.reserve(lines.size());
    for (const QString &line : lines) {
        if (isBlankLine(line)) {
            blocks.append({MarkdownBlock::Kind::blank, {}, {}});
        } else if (const QRegularExpressionMatch match = ordered.match(line); match.hasMatch()) {
            blocks.append({MarkdownBlock::Kind::orderedItem, match.captured(1) + QLatin1Char('.'), match.captured(2)});
        } else if (const QRegularExpressionMatch match = unordered.match(line); match.hasMatch()) {
            blocks.append({MarkdownBlock::Kind::unorderedItem, match.captured(1), match.captured(2)});
        } else {
            blocks.append({MarkdownBlock::Kind::paragraph, {}, line});
        }
    }
    return blocks;
}
