#pragma once

#include "PageRows.h"
#include "TesseractEngine.h"

#include <QRect>

#include <vector>

// Splits a laid-out page into at most `count` bands of whole rows for separate engines. A band
// ends only in a gap that no layout block crosses and that leaves every block earlier in reading
// order above it, so each band holds whole blocks and the bands read in order give the page's
// reading order. Bands share out the text lines' area about evenly; a page without such gaps is
// one band. Bands are in the pixels of the prepared page (the layout's scaled by factor).
std::vector<QRect> pageBands(const PageRecognition &layout, int factor, int count);

// The blocks of a laid-out page that lie in a band as pageBands cuts it, with their lines, numbered
// from the band's first block: what the band must show, laid out alone, to be read apart.
PageRecognition pagePart(const PageRecognition &layout, int factor, QRect band);

// Whether a band may end just above `row` (in the layout's pixels), as pageBands ends them.
bool isBandCut(const PageRecognition &layout, int row);

// Where a first band of a prepared page might end, guessed from its rows before its layout is
// known: in the middle of one of the page's tallest runs of blank rows, the one leaving the share
// of the page's ink above it nearest to `share`. 0 when no run is near enough.
int guessedFirstBandEnd(const PageRows &rows, double share);
