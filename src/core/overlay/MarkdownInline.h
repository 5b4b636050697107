#pragma once

#include <QList>
#include <QString>

#include <optional>

// One run of equally styled text of a markdown line.
struct MarkdownInlineRun
{
    QString text;
    bool strong = false;
    bool emphasis = false;
    bool code = false;
    bool strikethrough = false;
    // The destination when the run is (part of) a link's text; empty otherwise.
    QString link;

    bool operator==(const MarkdownInlineRun &) const = default;
};

// Interprets the inline syntax of one line - emphasis, strong emphasis, code spans, links,
// autolinks, backslash escapes, entities and double-tilde strikethrough - and nothing else: block
// syntax (a heading's "#", a quote's ">", a list marker) stays literal text, raw HTML stays text,
// images show their description and load nothing, and whitespace is kept as written. Broken
// syntax is shown literally; none when the line could not be parsed at all.
std::optional<QList<MarkdownInlineRun>> parseMarkdownInline(const QString &line);

// Whether a link destination may be opened in the user's browser or mail program.
bool isOpenableMarkdownLink(const QString &destination);
