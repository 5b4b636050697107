#include "PageRows.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A pixel this far from the page's commonest grey is ink, not background.
constexpr int kInkContrast = 32;

} // namespace

PageRows::PageRows(const QImage &grey)
{
    if (grey.format() != QImage::Format_Grayscale8)
        return;
    std::vector<qint64> histogram(256, 0);
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            ++histogram[row[x]];
    }
    const int background = int(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
    inkAbove.assign(std::size_t(grey.height()) + 1, 0);
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        qint64 ink = 0;
        for (int x = 0; x < grey.width(); ++x)
            ink += std::abs(int(row[x]) - background) > kInkContrast ? 1 : 0;
        inkAbove[std::size_t(y) + 1] = inkAbove[std::size_t(y)] + ink;
    }

    const auto blankRow = [this](int y) { return inkAbove[std::size_t(y) + 1] == inkAbove[std::size_t(y)]; };
    for (int top = 0; top < height();) {
        int end = top + 1;
        while (end < height() && blankRow(end) == blankRow(top))
            ++end;
        runs.push_back({top, end, blankRow(top)});
        top = end;
    }
}

int PageRows::medianInkRunHeight(int maxHeight) const
{
    std::vector<int> heights;
    for (const RowRun &run : runs)
        if (!run.blank && run.height() <= maxHeight)
            heights.push_back(run.height());
    if (heights.empty())
        return 0;
    const auto middle = heights.begin() + std::ptrdiff_t(heights.size() / 2);
    std::nth_element(heights.begin(), middle, heights.end());
    return *middle;
}
