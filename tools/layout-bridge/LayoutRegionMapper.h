#pragma once

#include "models/LayoutRegion.h"
#include "ocr/TesseractEngine.h"

#include <vector>

// Turns Tesseract's layout blocks into the seven region kinds of the bridge output, in the pixels
// of the page. Region ids are left null: the reader of the bridge output assigns its own.
class LayoutRegionMapper
{
public:
    static std::vector<LayoutRegion> regionsOf(const PageRecognition &page);
};
