#include "LayoutRegionMapper.h"

#include "understanding/CaptureRouteDecider.h"

#include <QStringList>

#include <algorithm>

namespace {

// Image blocks smaller than this share of the page are specks (a two-column page shows a
// spurious 2x4-pixel one), not pictures.
constexpr double kMinImageShare = 0.004;
// Scores for blocks Tesseract classifies without a confidence of its own.
constexpr double kImageScore = 0.8;
constexpr double kChartScore = 0.7;
constexpr double kTableScore = 0.8;
constexpr double kFormulaScore = 0.75;
// A picture with at least this many number-only text lines around it reads as a chart: Tesseract
// has no chart type and reports a bar chart as an image block, rules and number labels.
constexpr int kChartNumberLines = 3;
// A text block whose characters are at least this share mathematical symbols is a formula.
constexpr double kFormulaSymbolShare = 0.12;

bool isSpeck(const RecognisedBlock &block, double pageArea)
{
    return block.box.width() * double(block.box.height()) < kMinImageShare * pageArea;
}

bool isTextBlock(PageBlockKind kind)
{
    return kind == PageBlockKind::flowingText || kind == PageBlockKind::headingText ||
           kind == PageBlockKind::pulloutText || kind == PageBlockKind::captionText;
}

bool isNumericToken(const QString &token)
{
    static const QString separators = QStringLiteral(".,%$+-:/()\u2212\u20ac");
    bool digit = false;
    for (const QChar c : token) {
        if (c.isDigit())
            digit = true;
        else if (!separators.contains(c))
            return false;
    }
    return digit;
}

bool isNumberLine(const RecognisedLine &line)
{
    const QStringList tokens = line.text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return !tokens.isEmpty() && std::all_of(tokens.begin(), tokens.end(), isNumericToken);
}

double symbolShare(const PageRecognition &page, int blockIndex)
{
    static const QString symbols = QStringLiteral("=+\u2212\u00d7\u00f7\u2211\u222b\u221a^_<>\u2264\u2265\u00b1\u221e"
                                                  "\u03c0\u03b8\u03b1\u03b2\u03b3\u03bb\u03c3\u0394\u2202\u00b2\u00b3");
    int total = 0, math = 0;
    for (const RecognisedLine &line : page.lines) {
        if (line.blockIndex != blockIndex)
            continue;
        for (const QChar c : line.text) {
            if (c.isSpace())
                continue;
            ++total;
            if (symbols.contains(c))
                ++math;
        }
    }
    return total == 0 ? 0.0 : double(math) / total;
}

int numberLinesNear(const PageRecognition &page, const QRect &area)
{
    const QRect around = area.adjusted(-area.width() / 5, -area.height() / 5, area.width() / 5, area.height() / 5);
    return int(std::count_if(page.lines.begin(), page.lines.end(), [&](const RecognisedLine &line) {
        return around.contains(line.box.center()) && isNumberLine(line);
    }));
}

LayoutRegionType textType(const RecognisedBlock &block)
{
    if (block.lineCount >= 2 && block.listItemLineCount * 2 >= block.lineCount)
        return LayoutRegionType::list;
    if (block.kind == PageBlockKind::headingText)
        return LayoutRegionType::title;
    return LayoutRegionType::text;
}

LayoutRegion region(LayoutRegionType type, double score, const QRect &box)
{
    return {QUuid(), type, score, QRectF(box.left(), box.top(), box.width(), box.height())};
}

// One paragraph of running text, before columns are formed.
struct TextPiece
{
    LayoutRegionType type;
    double score;
    QRect box;
    int lineHeight;
};

bool overlapsHorizontally(const QRect &a, const QRect &b)
{
    const int overlap = std::min(a.right(), b.right()) - std::max(a.left(), b.left());
    return overlap > std::min(a.width(), b.width()) / 2;
}

// Stacks paragraphs into columns: a paragraph joins the column whose lowest paragraph lies above
// it and shares most of its width.
std::vector<std::vector<TextPiece>> columnsOf(std::vector<TextPiece> pieces)
{
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const TextPiece &a, const TextPiece &b) { return a.box.top() < b.box.top(); });
    std::vector<std::vector<TextPiece>> columns;
    for (const TextPiece &piece : pieces) {
        auto column = std::find_if(columns.begin(), columns.end(), [&](const std::vector<TextPiece> &c) {
            return overlapsHorizontally(c.back().box, piece.box) && c.back().box.center().y() < piece.box.top();
        });
        if (column == columns.end())
            columns.push_back({piece});
        else
            column->push_back(piece);
    }
    return columns;
}

// A column reads as one stretch of text with its surrounding white space: paragraphs span the
// column's width, paragraph gaps of up to two lines close, and empty margins up to the page edge
// belong to it (sideways always, above and below when no deeper than two lines). Anything else in
// the way keeps its place.
void fillColumn(std::vector<TextPiece> &column, const std::vector<QRect> &others, QSize page)
{
    int left = column.front().box.left(), right = column.front().box.right();
    for (const TextPiece &piece : column) {
        left = std::min(left, piece.box.left());
        right = std::max(right, piece.box.right());
    }
    const QRect band(QPoint(left, column.front().box.top()), QPoint(right, column.back().box.bottom()));
    const auto clear = [&](const QRect &area) {
        return area.isEmpty() ||
               std::none_of(others.begin(), others.end(), [&](const QRect &o) { return o.intersects(area); });
    };
    if (clear(QRect(QPoint(0, band.top()), QPoint(left - 1, band.bottom()))))
        left = 0;
    if (clear(QRect(QPoint(right + 1, band.top()), QPoint(page.width() - 1, band.bottom()))))
        right = page.width() - 1;
    for (std::size_t i = 0; i < column.size(); ++i) {
        QRect &box = column[i].box;
        const int reach = 2 * column[i].lineHeight;
        box.setLeft(left);
        box.setRight(right);
        if (i + 1 < column.size() && column[i + 1].box.top() - box.bottom() <= reach)
            box.setBottom(column[i + 1].box.top() - 1);
        if (i == 0 && box.top() <= reach && clear(QRect(QPoint(left, 0), QPoint(right, box.top() - 1))))
            box.setTop(0);
        if (i + 1 == column.size() && page.height() - 1 - box.bottom() <= reach &&
            clear(QRect(QPoint(left, box.bottom() + 1), QPoint(right, page.height() - 1))))
            box.setBottom(page.height() - 1);
    }
}

} // namespace

std::vector<LayoutRegion> LayoutRegionMapper::regionsOf(const PageRecognition &page)
{
    const QRect pageRect(QPoint(0, 0), page.pageSize);
    const double pageArea = std::max(1.0, double(page.pageSize.width()) * page.pageSize.height());
    std::vector<LayoutRegion> regions;
    std::vector<TextPiece> pieces;
    for (int index = 0; index < int(page.blocks.size()); ++index) {
        const RecognisedBlock &block = page.blocks[std::size_t(index)];
        switch (block.kind) {
        case PageBlockKind::image:
            if (isSpeck(block, pageArea))
                break;
            if (numberLinesNear(page, block.box) >= kChartNumberLines)
                regions.push_back(region(LayoutRegionType::chart, kChartScore, block.box));
            else
                regions.push_back(region(LayoutRegionType::image, kImageScore, block.box));
            break;
        case PageBlockKind::table:
            regions.push_back(region(LayoutRegionType::table, kTableScore, block.box));
            break;
        case PageBlockKind::equation:
            regions.push_back(region(LayoutRegionType::formula, kFormulaScore, block.box));
            break;
        case PageBlockKind::rule:
        case PageBlockKind::other:
            break;
        case PageBlockKind::flowingText:
        case PageBlockKind::headingText:
        case PageBlockKind::pulloutText:
        case PageBlockKind::captionText: {
            if (block.lineCount == 0)
                break;
            if (symbolShare(page, index) >= kFormulaSymbolShare) {
                regions.push_back(region(LayoutRegionType::formula, kFormulaScore, block.box));
                break;
            }
            // Padded by half a line, as a reader sees a paragraph.
            const int pad = block.medianLineHeight / 2;
            const double score = page.recognised ? block.confidence : kUnreadTextScore;
            for (const RecognisedParagraph &paragraph : block.paragraphs)
                pieces.push_back({textType(block), score,
                                  paragraph.box.adjusted(-pad, -pad, pad, pad).intersected(pageRect),
                                  std::max(1, block.medianLineHeight)});
        }
        }
    }
    auto columns = columnsOf(std::move(pieces));
    const auto unfilled = columns; // every column fills against the others' original boxes
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::vector<QRect> others;
        for (const LayoutRegion &other : regions)
            others.push_back(other.boundingBox.toAlignedRect());
        for (std::size_t j = 0; j < columns.size(); ++j)
            for (const TextPiece &piece : unfilled[j])
                if (j != i)
                    others.push_back(piece.box);
        fillColumn(columns[i], others, page.pageSize);
    }
    for (const auto &column : columns)
        for (const TextPiece &piece : column)
            regions.push_back(region(piece.type, piece.score, piece.box));
    return regions;
}

bool LayoutRegionMapper::rulesOutText(const PageRecognition &layout)
{
    const QSizeF page(layout.pageSize);
    const double pageArea = std::max(1.0, page.width() * page.height());
    const auto alone = [&](LayoutRegionType type, double score, const QRect &box) {
        return QList<LayoutRegion>{region(type, score, box)};
    };
    const auto ratio = [&](const QRect &box) { return box.width() * double(box.height()) / pageArea; };
    QList<QRectF> nonText;
    bool text = false;
    for (const RecognisedBlock &block : layout.blocks) {
        const QRect &box = block.box;
        switch (block.kind) {
        case PageBlockKind::table:
            if (CaptureRouteDecider::hasMeaningfulTable(alone(LayoutRegionType::table, kTableScore, box), page,
                                                        ratio(box)))
                return true;
            nonText.append(QRectF(box));
            break;
        case PageBlockKind::equation:
            if (CaptureRouteDecider::hasMeaningfulFormula(alone(LayoutRegionType::formula, kFormulaScore, box), page))
                return true;
            nonText.append(QRectF(box));
            break;
        case PageBlockKind::image:
            if (isSpeck(block, pageArea))
                break;
            if (CaptureRouteDecider::hasMeaningfulImage(alone(LayoutRegionType::image, kImageScore, box), page,
                                                        ratio(box)) &&
                CaptureRouteDecider::hasMeaningfulChart(alone(LayoutRegionType::chart, kChartScore, box), page))
                return true;
            nonText.append(QRectF(box));
            break;
        default:
            text = text || (isTextBlock(block.kind) && block.lineCount > 0);
        }
    }
    return !text ||
           CaptureRouteDecider::unionArea(nonText) / pageArea > CaptureRouteDecider::safeTextMaximumNonTextRatio;
}
