#pragma once

#include "imaging/Bitmap.h"
#include "platform/Fonts.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Blends glyph rows into 24-bit rows, sixteen bytes at a time, from the glyph's spread coverage:
// out = (ink × a + out × (255 − a) + 127) / 255 per byte, so 0 keeps a byte and 255 gives the ink exactly.
//
// Text is nearly always drawn where the page is still background. For a glyph below U+0100 the painter keeps a
// painting of it over the background, made on first use, and copies a block of it wherever the page under
// the block is background; elsewhere it blends. The paintings belong to one font and two colours: the canvas
// drops them when its font changes, and new colours drop them here.
class GlyphPainter {
public:
    // The colours the next glyphs are drawn in.
    void UseColours(RgbQuad fore, RgbQuad back)
    {
        if (!fore.SameColour(mFore) || !back.SameColour(mBack))
            Recolour(fore, back);
    }
    void DropPaintings();

    // Blends `bytes` bytes of each glyph row from first to last (exclusive), starting in the glyph's row at byte
    // `offset`, the first into out and each next one outStep bytes further on. A run of the whole padded row
    // (offset 0, bytes equal to the glyph's SpreadStride) of glyph c may use the painting.
    void Blend(const GlyphImage& glyph, char32_t c, int first, int last, std::size_t offset, std::size_t bytes,
               std::uint8_t* out, std::ptrdiff_t outStep);

private:
    void Widen(std::size_t bytes)
    {
        if (mInk.size() < bytes)
            Lengthen(bytes);
    }
    void Lengthen(std::size_t bytes);
    void Recolour(RgbQuad fore, RgbQuad back);
    // The painting of glyph c, made now if need be; none for c from U+0100 on, or a glyph without rows.
    const std::uint8_t* Painting(const GlyphImage& glyph, char32_t c)
    {
        if (c >= mPaintings.size() || glyph.spread.empty())
            return nullptr;
        return mPaintings[c].empty() ? Paint(glyph, c) : mPaintings[c].data();
    }
    const std::uint8_t* Paint(const GlyphImage& glyph, char32_t c);

    RgbQuad mFore = RgbQuad::FromRgb(0, 0, 0);
    RgbQuad mBack = RgbQuad::FromRgb(255, 255, 255);
    std::vector<std::uint8_t> mInk;   // the text colour, blue, green, red, along a row
    std::vector<std::uint8_t> mBackRow;  // the background the same way
    std::array<std::vector<std::uint8_t>, 256> mPaintings;  // empty until made
};
