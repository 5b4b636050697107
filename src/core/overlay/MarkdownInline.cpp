#include "MarkdownInline.h"

#include <QRegularExpression>
#include <QUrl>

#include <md4c.h>

namespace {

QString decodeEntity(const QString &entity)
{
    static const QHash<QString, QString> named{
        {QStringLiteral("&amp;"), QStringLiteral("&")},       {QStringLiteral("&lt;"), QStringLiteral("<")},
        {QStringLiteral("&gt;"), QStringLiteral(">")},        {QStringLiteral("&quot;"), QStringLiteral("\"")},
        {QStringLiteral("&apos;"), QStringLiteral("'")},      {QStringLiteral("&nbsp;"), QString(QChar(0x00A0))},
        {QStringLiteral("&copy;"), QString(QChar(0x00A9))},   {QStringLiteral("&reg;"), QString(QChar(0x00AE))},
        {QStringLiteral("&trade;"), QString(QChar(0x2122))},  {QStringLiteral("&hellip;"), QString(QChar(0x2026))},
        {QStringLiteral("&mdash;"), QString(QChar(0x2014))},  {QStringLiteral("&ndash;"), QString(QChar(0x2013))},
        {QStringLiteral("&lsquo;"), QString(QChar(0x2018))},  {QStringLiteral("&rsquo;"), QString(QChar(0x2019))},
        {QStringLiteral("&ldquo;"), QString(QChar(0x201C))},  {QStringLiteral("&rdquo;"), QString(QChar(0x201D))},
        {QStringLiteral("&times;"), QString(QChar(0x00D7))},  {QStringLiteral("&divide;"), QString(QChar(0x00F7))},
        {QStringLiteral("&deg;"), QString(QChar(0x00B0))},    {QStringLiteral("&plusmn;"), QString(QChar(0x00B1))},
        {QStringLiteral("&middot;"), QString(QChar(0x00B7))}, {QStringLiteral("&bull;"), QString(QChar(0x2022))},
        {QStringLiteral("&euro;"), QString(QChar(0x20AC))},   {QStringLiteral("&pound;"), QString(QChar(0x00A3))},
        {QStringLiteral("&larr;"), QString(QChar(0x2190))},   {QStringLiteral("&rarr;"), QString(QChar(0x2192))},
    };
    if (entity.startsWith(QLatin1String("&#"))) {
        const bool hex = entity.size() > 2 && (entity.at(2) == QLatin1Char('x') || entity.at(2) == QLatin1Char('X'));
        bool ok = false;
        const uint code = entity.mid(hex ? 3 : 2, entity.size() - (hex ? 4 : 3)).toUInt(&ok, hex ? 16 : 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return QString(QChar(QChar::ReplacementCharacter));
        const char32_t character = code;
        return QString::fromUcs4(&character, 1);
    }
    return named.value(entity, entity);
}

QString attributeText(const MD_ATTRIBUTE &attribute)
{
    QString result;
    for (int i = 0; attribute.substr_offsets[i] < attribute.size; ++i) {
        const MD_OFFSET begin = attribute.substr_offsets[i];
        const QString part =
            QString::fromUtf8(attribute.text + begin, static_cast<qsizetype>(attribute.substr_offsets[i + 1] - begin));
        switch (attribute.substr_types[i]) {
        case MD_TEXT_NULLCHAR:
            result += QChar(QChar::ReplacementCharacter);
            break;
        case MD_TEXT_ENTITY:
            result += decodeEntity(part);
            break;
        default:
            result += part;
        }
    }
    return result;
}

// A link written as an email autolink carries no scheme.
QString linkDestination(const QString &href)
{
    if (!href.contains(QLatin1Char(':')) && href.contains(QLatin1Char('@')))
        return QStringLiteral("mailto:") + href;
    return href;
}

struct InlineCollector
{
    QList<MarkdownInlineRun> runs;
    MarkdownInlineRun style;
    int imageDepth = 0;

    void append(const QString &text)
    {
        if (text.isEmpty())
            return;
        MarkdownInlineRun run = style;
        if (!runs.isEmpty()) {
            MarkdownInlineRun &last = runs.last();
            run.text = last.text;
            if (run == last) {
                last.text += text;
                return;
            }
        }
        run.text = text;
        runs.append(run);
    }
};

int enterSpan(MD_SPANTYPE type, void *detail, void *userdata)
{
    auto *collector = static_cast<InlineCollector *>(userdata);
    switch (type) {
    case MD_SPAN_EM:
        collector->style.emphasis = true;
        break;
    case MD_SPAN_STRONG:
        collector->style.strong = true;
        break;
    case MD_SPAN_CODE:
        collector->style.code = true;
        break;
    case MD_SPAN_DEL:
        collector->style.strikethrough = true;
        break;
    case MD_SPAN_A:
        collector->style.link = linkDestination(attributeText(static_cast<MD_SPAN_A_DETAIL *>(detail)->href));
        break;
    case MD_SPAN_IMG:
        ++collector->imageDepth;
        break;
    default:
        break;
    }
    return 0;
}

int leaveSpan(MD_SPANTYPE type, void *, void *userdata)
{
    auto *collector = static_cast<InlineCollector *>(userdata);
    switch (type) {
    case MD_SPAN_EM:
        collector->style.emphasis = false;
        break;
    case MD_SPAN_STRONG:
        collector->style.strong = false;
        break;
    case MD_SPAN_CODE:
        collector->style.code = false;
        break;
    case MD_SPAN_DEL:
        collector->style.strikethrough = false;
        break;
    case MD_SPAN_A:
        collector->style.link.clear();
        break;
    case MD_SPAN_IMG:
        --collector->imageDepth;
        break;
    default:
        break;
    }
    return 0;
}

int text(MD_TEXTTYPE type, const MD_CHAR *data, MD_SIZE size, void *userdata)
{
    auto *collector = static_cast<InlineCollector *>(userdata);
    const QString part = QString::fromUtf8(data, static_cast<qsizetype>(size));
    switch (type) {
    case MD_TEXT_NULLCHAR:
        collector->append(QString(QChar(QChar::ReplacementCharacter)));
        break;
    case MD_TEXT_ENTITY:
        collector->append(decodeEntity(part));
        break;
    case MD_TEXT_BR:
    case MD_TEXT_SOFTBR:
        collector->append(QStringLiteral(" "));
        break;
    default:
        collector->append(part);
    }
    return 0;
}

int ignoreBlock(MD_BLOCKTYPE, void *, void *)
{
    return 0;
}

// A backslash before the character that would make md4c read the line as a block (heading,
// quote, list item, fence, thematic break), so that it stays literal text as in the answer.
QString withBlockSyntaxEscaped(const QString &content)
{
    static const QRegularExpression blockStart(QStringLiteral("^(?:"
                                                              "#{1,6}(?:[ \\t]|$)"     // heading
                                                              "|>"                     // quote
                                                              "|[-+*](?:[ \\t]|$)"     // bulleted item
                                                              "|```|~~~"               // fence
                                                              "|(?:[-*_][ \\t]*){3,}$" // thematic break
                                                              ")"));
    static const QRegularExpression orderedStart(QStringLiteral("^\\d{1,9}([.)])(?:[ \\t]|$)"));
    if (blockStart.match(content).hasMatch())
        return QLatin1Char('\\') + content;
    if (const QRegularExpressionMatch match = orderedStart.match(content); match.hasMatch())
        return content.left(match.capturedStart(1)) + QLatin1Char('\\') + content.mid(match.capturedStart(1));
    return content;
}

} // namespace

std::optional<QList<MarkdownInlineRun>> parseMarkdownInline(const QString &line)
{
    // md4c trims a paragraph's edges; the edges are kept here as written.
    qsizetype start = 0;
    while (start < line.size() && line.at(start).isSpace())
        ++start;
    qsizetype end = line.size();
    while (end > start && line.at(end - 1).isSpace())
        --end;

    InlineCollector collector;
    collector.append(line.left(start));
    if (end > start) {
        const QByteArray content = withBlockSyntaxEscaped(line.mid(start, end - start)).toUtf8();
        MD_PARSER parser{};
        parser.flags = MD_FLAG_NOHTML | MD_FLAG_STRIKETHROUGH | MD_FLAG_NOINDENTEDCODEBLOCKS;
        parser.enter_block = ignoreBlock;
        parser.leave_block = ignoreBlock;
        parser.enter_span = enterSpan;
        parser.leave_span = leaveSpan;
        parser.text = text;
        if (md_parse(content.constData(), static_cast<MD_SIZE>(content.size()), &parser, &collector) != 0)
            return std::nullopt;
    }
    collector.style = {};
    collector.append(line.mid(end));
    return collector.runs;
}

bool isOpenableMarkdownLink(const QString &destination)
{
    const QUrl url(destination, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto"))
        return !url.path().isEmpty();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}
