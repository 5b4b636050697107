#include "PageBands.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Rows of white space kept between a cut and the nearest block, in captured pixels: Tesseract
// pads each text line with a few pixels of its surroundings.
constexpr int kCutClearance = 6;

struct Cut
{
    int y;
    double workAbove;
};

} // namespace

std::vector<QRect> pageBands(const PageRecognition &layout, int factor, int count)
{
    const QSize size = layout.pageSize * factor;
    const QRect whole(QPoint(0, 0), size);
    const std::vector<RecognisedBlock> &blocks = layout.blocks;
    if (count < 2 || blocks.size() < 2)
        return {whole};

    std::vector<double> work(blocks.size(), 0.0);
    for (const RecognisedLine &line : layout.lines)
        work[std::size_t(line.blockIndex)] += double(line.box.width()) * line.box.height();
    double total = 0.0;
    for (const double w : work)
        total += w;

    // Candidate cuts between blocks i-1 and i, in reading order.
    std::vector<int> topFrom(blocks.size());
    topFrom.back() = blocks.back().box.top();
    for (std::size_t i = blocks.size() - 1; i-- > 0;)
        topFrom[i] = std::min(topFrom[i + 1], blocks[i].box.top());
    std::vector<Cut> cuts;
    int bottomAbove = blocks.front().box.bottom();
    double workAbove = work.front();
    for (std::size_t i = 1; i < blocks.size(); ++i) {
        const int topBelow = topFrom[i];
        if (topBelow - bottomAbove > 2 * kCutClearance && workAbove > 0.0 && workAbove < total)
            cuts.push_back({(bottomAbove + topBelow + 1) / 2, workAbove});
        bottomAbove = std::max(bottomAbove, blocks[i].box.bottom());
        workAbove += work[i];
    }

    std::vector<int> rows{0};
    std::size_t next = 0;
    for (int band = 1; band < count && next < cuts.size(); ++band) {
        const double target = total * band / count;
        std::size_t best = next;
        for (std::size_t k = next; k < cuts.size(); ++k)
            if (std::abs(cuts[k].workAbove - target) < std::abs(cuts[best].workAbove - target))
                best = k;
        rows.push_back(cuts[best].y * factor);
        next = best + 1;
    }
    rows.push_back(size.height());

    std::vector<QRect> bands;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i)
        bands.emplace_back(0, rows[i], size.width(), rows[i + 1] - rows[i]);
    return bands;
}
