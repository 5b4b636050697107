#pragma once

#include "models/LayoutRegion.h"
#include "ocr/TesseractEngine.h"

#include <vector>

// Turns Tesseract's layout blocks into the seven region kinds of the bridge output, in the pixels
// of the page. Region ids are left null: the reader of the bridge output assigns its own.
class LayoutRegionMapper
{
public:
    // Text blocks of a page that was only laid out get kUnreadTextScore.
    static std::vector<LayoutRegion> regionsOf(const PageRecognition &page);

    // True when the layout alone already makes the route decider refuse the text route, whatever
    // reading the text would add: no text at all, a table or formula block that is meaningful on
    // its own, a picture block meaningful both as a photo and as a chart (telling those apart
    // takes its labels' text), or pictures, tables and formulas covering too much of the page.
    static bool rulesOutText(const PageRecognition &layout);

    static constexpr double kUnreadTextScore = 0.9;
};
