#pragma once

#include <QImage>

#include <climits>
#include <vector>

// A run of rows [top, end) of a page that are all blank or all hold ink.
struct RowRun
{
    int top = 0;
    int end = 0;
    bool blank = false;

    int height() const { return end - top; }
};

// The rows of an 8-bit grey page as its pixels show them, before any layout is known. Ink is any
// pixel well apart from the page's commonest grey, its background.
struct PageRows
{
    // inkAbove[y]: the ink pixels in the rows above row y; one entry more than the page has rows.
    std::vector<qint64> inkAbove{0};
    std::vector<RowRun> runs;

    explicit PageRows(const QImage &grey);

    int height() const { return int(inkAbove.size()) - 1; }
    qint64 totalInk() const { return inkAbove.back(); }
    // The median height of the runs of rows with ink no taller than maxHeight: the height of a
    // text line, when the taller runs are pictures, charts or lines set too close to part. 0 when
    // there is no such run.
    int medianInkRunHeight(int maxHeight = INT_MAX) const;
};
