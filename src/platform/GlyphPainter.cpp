#include "platform/GlyphPainter.h"

#include <algorithm>
#include <cstring>

namespace {

using Bytes16 = std::uint8_t __attribute__((vector_size(16)));
using Words16 = std::uint16_t __attribute__((vector_size(32)));

// The sum stays below 65,536, and (t + 1 + (t >> 8)) >> 8 is t / 255 for every such t: sixteen bytes are
// blended at once in 16-bit lanes.
Bytes16 Blend16(Bytes16 coverage, Bytes16 under, Bytes16 ink)
{
    const Words16 a = __builtin_convertvector(coverage, Words16);
    Words16 t = __builtin_convertvector(ink, Words16) * a + __builtin_convertvector(under, Words16) * (255 - a) + 127;
    t = (t + 1 + (t >> 8)) >> 8;
    return __builtin_convertvector(t, Bytes16);
}

std::uint8_t Blend1(unsigned coverage, unsigned under, unsigned ink)
{
    const unsigned t = ink * coverage + under * (255 - coverage) + 127;
    return static_cast<std::uint8_t>((t + 1 + (t >> 8)) >> 8);
}

Bytes16 Load(const std::uint8_t* bytes)
{
    Bytes16 block;
    std::memcpy(&block, bytes, sizeof block);
    return block;
}

void Fill(std::vector<std::uint8_t>& row, RgbQuad colour)
{
    for (std::size_t i = 0; i + 2 < row.size(); i += 3)
        row[i] = colour.blue, row[i + 1] = colour.green, row[i + 2] = colour.red;
}

} // namespace

void GlyphPainter::Recolour(RgbQuad fore, RgbQuad back)
{
    mFore = fore;
    mBack = back;
    Fill(mInk, fore);
    Fill(mBackRow, back);
    DropPaintings();
}

void GlyphPainter::DropPaintings()
{
    for (auto& painting : mPaintings)
        painting.clear();
}

void GlyphPainter::Lengthen(std::size_t bytes)
{
    mInk.resize((bytes + 2) / 3 * 3);
    mBackRow.resize(mInk.size());
    Fill(mInk, mFore);
    Fill(mBackRow, mBack);
}

const std::uint8_t* GlyphPainter::Paint(const GlyphImage& glyph, char32_t c)
{
    std::vector<std::uint8_t>& painting = mPaintings[c];
    const std::size_t stride = glyph.SpreadStride();
    painting.resize(glyph.spread.size());
    for (std::size_t at = 0; at < painting.size(); at += stride)
        for (std::size_t i = 0; i < stride; ++i)
            painting[at + i] = Blend1(glyph.spread[at + i], mBackRow[i], mInk[i]);
    return painting.data();
}

void GlyphPainter::Blend(const GlyphImage& glyph, char32_t c, int first, int last, std::size_t offset,
                         std::size_t bytes, std::uint8_t* out, std::ptrdiff_t outStep)
{
    Widen(bytes);
    const std::size_t stride = glyph.SpreadStride();
    const std::uint8_t* coverage = glyph.spread.data() + stride * static_cast<std::size_t>(first) + offset;
    const std::uint8_t* const ink = mInk.data();
    if (const std::uint8_t* painted = offset == 0 && bytes == stride ? Painting(glyph, c) : nullptr) {
        // Whole padded rows, in blocks of sixteen bytes: copied from the painting where the page is background.
        const std::uint8_t* const back = mBackRow.data();
        painted += stride * static_cast<std::size_t>(first);
        for (int row = first; row < last; ++row, out += outStep, coverage += stride, painted += stride)
            for (std::size_t i = 0; i < bytes; i += 16) {
                if (std::memcmp(out + i, back + i, 16) == 0) {
                    std::memcpy(out + i, painted + i, 16);
                } else {
                    const Bytes16 blended = Blend16(Load(coverage + i), Load(out + i), Load(ink + i));
                    std::memcpy(out + i, &blended, 16);
                }
            }
        return;
    }
    for (int row = first; row < last; ++row, out += outStep, coverage += stride) {
        std::size_t i = 0;
        for (; i + 16 <= bytes; i += 16) {
            const Bytes16 blended = Blend16(Load(coverage + i), Load(out + i), Load(ink + i));
            std::memcpy(out + i, &blended, 16);
        }
        for (; i < bytes; ++i)
            out[i] = Blend1(coverage[i], out[i], ink[i]);
    }
}
