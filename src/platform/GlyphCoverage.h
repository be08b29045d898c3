#pragma once

#include <cstdint>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <vector>

// A glyph bitmap as FreeType hands it over, turned into one byte of coverage per pixel (0 none, 255 full), rows
// top-down, width × height bytes. Every pixel mode is understood: 1-bit, 2- and 4-bit grey, 8-bit grey with any
// number of grey levels, horizontal and vertical LCD (the three samples of a pixel averaged) and premultiplied
// BGRA colour (the darkness the colour has over white). Rows may run either way (a negative pitch).
struct GlyphCoverage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage;
};

enum class CoverageLevels {
    All,       // 256 levels
    TwoLevel,  // 0 or 255: a pixel at least half covered is ink, for monochrome text
};

// Reads nothing outside the rows × |pitch| bytes of the bitmap's buffer. Answers false, with empty coverage, for a
// pixel mode it does not know or a pitch too short for the width.
bool ToCoverage(const FT_Bitmap& bitmap, CoverageLevels levels, GlyphCoverage& out);
