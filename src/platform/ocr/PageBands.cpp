#include "PageBands.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Rows of white space kept between a cut and the nearest block, in captured pixels: Tesseract
// pads each text line with a few pixels of its surroundings.
constexpr int kCutClearance = 6;
// A pixel this far from the page's commonest grey is ink, not background.
constexpr int kInkContrast = 32;
// A guessed band may leave this much more or less of the page's ink above it than asked for.
constexpr double kGuessedShareTolerance = 0.2;

// A gap between the blocks before and after it in reading order, with the text lines' area above.
struct Gap
{
    int bottomAbove;
    int topBelow;
    double workAbove;

    int middle() const { return (bottomAbove + topBelow + 1) / 2; }
};

// The gaps a band may end in, in reading order, and the text lines' area of the whole page.
std::vector<Gap> bandGaps(const PageRecognition &layout, double &total)
{
    const std::vector<RecognisedBlock> &blocks = layout.blocks;
    std::vector<double> work(blocks.size(), 0.0);
    for (const RecognisedLine &line : layout.lines)
        work[std::size_t(line.blockIndex)] += double(line.box.width()) * line.box.height();
    total = 0.0;
    for (const double w : work)
        total += w;
    if (blocks.size() < 2)
        return {};

    std::vector<int> topFrom(blocks.size());
    topFrom.back() = blocks.back().box.top();
    for (std::size_t i = blocks.size() - 1; i-- > 0;)
        topFrom[i] = std::min(topFrom[i + 1], blocks[i].box.top());
    std::vector<Gap> gaps;
    int bottomAbove = blocks.front().box.bottom();
    double workAbove = work.front();
    for (std::size_t i = 1; i < blocks.size(); ++i) {
        const int topBelow = topFrom[i];
        if (topBelow - bottomAbove > 2 * kCutClearance && workAbove > 0.0 && workAbove < total)
            gaps.push_back({bottomAbove, topBelow, workAbove});
        bottomAbove = std::max(bottomAbove, blocks[i].box.bottom());
        workAbove += work[i];
    }
    return gaps;
}

} // namespace

std::vector<QRect> pageBands(const PageRecognition &layout, int factor, int count)
{
    const QSize size = layout.pageSize * factor;
    const QRect whole(QPoint(0, 0), size);
    double total = 0.0;
    const std::vector<Gap> gaps = count < 2 ? std::vector<Gap>{} : bandGaps(layout, total);

    std::vector<int> rows{0};
    std::size_t next = 0;
    for (int band = 1; band < count && next < gaps.size(); ++band) {
        const double target = total * band / count;
        std::size_t best = next;
        for (std::size_t k = next; k < gaps.size(); ++k)
            if (std::abs(gaps[k].workAbove - target) < std::abs(gaps[best].workAbove - target))
                best = k;
        rows.push_back(gaps[best].middle() * factor);
        next = best + 1;
    }
    rows.push_back(size.height());

    std::vector<QRect> bands;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i)
        bands.emplace_back(0, rows[i], size.width(), rows[i + 1] - rows[i]);
    return bands;
}

bool isBandCut(const PageRecognition &layout, int row)
{
    double total = 0.0;
    const std::vector<Gap> gaps = bandGaps(layout, total);
    return std::any_of(gaps.begin(), gaps.end(), [row](const Gap &gap) {
        return gap.bottomAbove + kCutClearance < row && row < gap.topBelow - kCutClearance;
    });
}

int guessedFirstBandEnd(const QImage &grey, double share, int minimumLineHeight)
{
    if (grey.format() != QImage::Format_Grayscale8 || grey.isNull())
        return 0;
    std::vector<qint64> histogram(256, 0);
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            ++histogram[row[x]];
    }
    const int background = int(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());

    std::vector<qint64> inkAbove(std::size_t(grey.height()) + 1, 0);
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        qint64 ink = 0;
        for (int x = 0; x < grey.width(); ++x)
            ink += std::abs(int(row[x]) - background) > kInkContrast ? 1 : 0;
        inkAbove[std::size_t(y) + 1] = inkAbove[std::size_t(y)] + ink;
    }
    const double totalInk = double(inkAbove.back());
    if (totalInk <= 0.0)
        return 0;

    // Runs of rows with ink (text lines, mostly) and the blank runs between them.
    struct Run
    {
        int top;
        int end;
    };
    std::vector<Run> inkRuns, blankRuns;
    for (int y = 0; y < grey.height();) {
        const bool blank = inkAbove[std::size_t(y) + 1] == inkAbove[std::size_t(y)];
        int end = y;
        while (end < grey.height() && (inkAbove[std::size_t(end) + 1] == inkAbove[std::size_t(end)]) == blank)
            ++end;
        (blank ? blankRuns : inkRuns).push_back({y, end});
        y = end;
    }
    std::vector<int> lineHeights;
    for (const Run &run : inkRuns)
        lineHeights.push_back(run.end - run.top);
    std::nth_element(lineHeights.begin(), lineHeights.begin() + std::ptrdiff_t(lineHeights.size() / 2),
                     lineHeights.end());
    if (lineHeights[lineHeights.size() / 2] < minimumLineHeight)
        return 0;

    // Gaps between paragraphs are the tallest blank runs inside the page; shorter ones are more
    // likely to part the items of one list or the lines of one block.
    int tallest = 0;
    for (const Run &run : blankRuns)
        if (run.top > 0 && run.end < grey.height())
            tallest = std::max(tallest, run.end - run.top);
    int best = 0;
    double bestDistance = kGuessedShareTolerance;
    for (const Run &run : blankRuns) {
        const int height = run.end - run.top;
        const int middle = (run.top + run.end) / 2;
        const double above = double(inkAbove[std::size_t(middle)]) / totalInk;
        if (height > 2 * kCutClearance + 1 && 4 * height >= 3 * tallest && std::abs(above - share) < bestDistance) {
            best = middle;
            bestDistance = std::abs(above - share);
        }
    }
    return best;
}
