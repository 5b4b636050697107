#include "PageBands.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Rows of white space kept between a cut and the nearest block, in captured pixels: Tesseract
// pads each text line with a few pixels of its surroundings.
constexpr int kCutClearance = 6;
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

PageRecognition pagePart(const PageRecognition &layout, int factor, QRect band)
{
    PageRecognition part;
    part.pageSize = layout.pageSize;
    std::vector<int> partIndex(layout.blocks.size(), -1);
    for (std::size_t i = 0; i < layout.blocks.size(); ++i) {
        const int middle = layout.blocks[i].box.center().y() * factor;
        if (band.top() <= middle && middle <= band.bottom()) {
            partIndex[i] = int(part.blocks.size());
            part.blocks.push_back(layout.blocks[i]);
        }
    }
    for (const RecognisedLine &line : layout.lines) {
        if (partIndex[std::size_t(line.blockIndex)] >= 0) {
            part.lines.push_back(line);
            part.lines.back().blockIndex = partIndex[std::size_t(line.blockIndex)];
        }
    }
    return part;
}

bool isBandCut(const PageRecognition &layout, int row)
{
    double total = 0.0;
    const std::vector<Gap> gaps = bandGaps(layout, total);
    return std::any_of(gaps.begin(), gaps.end(), [row](const Gap &gap) {
        return gap.bottomAbove + kCutClearance < row && row < gap.topBelow - kCutClearance;
    });
}

int guessedFirstBandEnd(const PageRows &rows, double share)
{
    const double totalInk = double(rows.totalInk());
    if (totalInk <= 0.0)
        return 0;
    // Gaps between paragraphs are the tallest blank runs inside the page; shorter ones more
    // likely part the items of one list or the lines of one block.
    int tallest = 0;
    for (const RowRun &run : rows.runs)
        if (run.blank && run.top > 0 && run.end < rows.height())
            tallest = std::max(tallest, run.height());
    int best = 0;
    double bestDistance = kGuessedShareTolerance;
    for (const RowRun &run : rows.runs) {
        const int cut = (run.top + run.end) / 2;
        const double distance = std::abs(double(rows.inkAbove[std::size_t(cut)]) / totalInk - share);
        if (run.blank && run.height() > 2 * kCutClearance + 1 && 4 * run.height() >= 3 * tallest &&
            distance < bestDistance) {
            best = cut;
            bestDistance = distance;
        }
    }
    return best;
}
