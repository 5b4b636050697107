#pragma once

#include "TesseractEngine.h"

#include <QRect>

#include <vector>

// Splits a laid-out page into at most `count` bands of whole rows for separate engines. A band
// ends only in a gap that no layout block crosses and that leaves every block earlier in reading
// order above it, so each band holds whole blocks and the bands read in order give the page's
// reading order. Bands share out the text lines' area about evenly; a page without such gaps is
// one band. Bands are in the pixels of the prepared page (the layout's scaled by factor).
std::vector<QRect> pageBands(const PageRecognition &layout, int factor, int count);
