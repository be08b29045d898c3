#include "platform/PageCanvas.h"

#include "base/Rounding.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace {
Bitmap MakePicture(int width, int height)
{
    auto picture = Bitmap::Make(width, height, 24);
    if (!picture)
        throw std::invalid_argument("a page of " + std::to_string(width) + " x " + std::to_string(height) +
                                    " pixels cannot be made");
    return std::move(*picture);
}
} // namespace

PageCanvas::PageCanvas(int width, int height) : mImage(MakePicture(width, height))
{
    SetFont(mFaceName, 8, false);
    Clear();
}

double PageCanvas::SetFont(const std::string& face, double points, bool bold)
{
    const int pixels = PixelSizeForPoints(points);
    if (face != mFaceName || pixels != mPixels || bold != mBold)
        mFont.reset();
    mPixels = pixels;
    mFaceName = face;
    mBold = bold;
    mPoints = PointsForPixelSize(pixels);
    return mPoints;
}

void PageCanvas::SetGlyphMode(GlyphMode mode)
{
    if (mode != mMode)
        mFont.reset();
    mMode = mode;
}

Font& PageCanvas::CurrentFont() const
{
    if (!mFont)
        mFont = FontLibrary::Instance().Open(mFaceName, mPixels, mBold, mMode);
    return *mFont;
}

void PageCanvas::Resize(int width, int height)
{
    if (width != Width() || height != Height())
        mImage = MakePicture(width, height);
    Clear();
}

void PageCanvas::Clear()
{
    std::uint8_t* first = mImage.MemoryRow(0);
    for (int x = 0; x < Width(); ++x) {
        first[3 * x] = mBack.blue;
        first[3 * x + 1] = mBack.green;
        first[3 * x + 2] = mBack.red;
    }
    for (int row = 1; row < Height(); ++row)
        std::memcpy(mImage.MemoryRow(row), first, static_cast<std::size_t>(mImage.Stride()));
    mPenX = mPenY = 0;
    mInks.assign(1, mBack);
    mBlended = false;
}

void PageCanvas::AddInk(RgbQuad colour)
{
    if (mInks.back().SameColour(colour))
        return;
    if (std::none_of(mInks.begin(), mInks.end(), [&](RgbQuad ink) { return ink.SameColour(colour); }))
        mInks.push_back(colour);
}

bool PageCanvas::HoldsOnly(RgbQuad first, RgbQuad second) const
{
    return !mBlended && std::all_of(mInks.begin(), mInks.end(), [&](RgbQuad ink) {
        return ink.SameColour(first) || ink.SameColour(second);
    });
}

void PageCanvas::Print(std::u32string_view text, Then then)
{
    Font& font = CurrentFont();
    const int baseline = static_cast<int>(RoundHalfEven(mPenY)) + font.Ascender();
    float x = mPenX;
    for (char32_t c : text) {
        const GlyphImage& glyph = font.Glyph(c);
        if (!glyph.coverage.empty())
            DrawGlyph(glyph, static_cast<int>(RoundHalfEven(x)), baseline);
        x += glyph.advance;
    }
    if (then == Then::NewRow) {
        mPenX = 0;
        mPenY += TextHeight();
    } else {
        mPenX = x;
    }
}

void PageCanvas::DrawGlyph(const GlyphImage& glyph, int originX, int baselineY)
{
    const int left = originX + glyph.left;
    const int top = baselineY - glyph.top;
    const int firstRow = std::max(0, -top), lastRow = std::min(glyph.height, Height() - top);
    const int firstCol = std::max(0, -left), lastCol = std::min(glyph.width, Width() - left);
    // The colours in locals: pixel writes could otherwise alias them and have them read again for every pixel.
    const unsigned blue = mFore.blue, green = mFore.green, red = mFore.red;
    const std::uint32_t back = mBack.Packed();
    // Text is mostly drawn on the background: its blends over it are looked up, made once for these colours.
    if (!mBlendsFore.SameColour(mFore) || !mBlendsBack.SameColour(mBack)) {
        for (unsigned a = 0; a < 256; ++a) {
            mBlendOverBack[a][0] = static_cast<std::uint8_t>((blue * a + mBack.blue * (255 - a) + 127) / 255);
            mBlendOverBack[a][1] = static_cast<std::uint8_t>((green * a + mBack.green * (255 - a) + 127) / 255);
            mBlendOverBack[a][2] = static_cast<std::uint8_t>((red * a + mBack.red * (255 - a) + 127) / 255);
        }
        mBlendsFore = mFore;
        mBlendsBack = mBack;
    }
    bool inked = false, blended = false;
    for (int row = firstRow; row < lastRow; ++row) {
        const std::uint8_t* coverage = glyph.coverage.data() + static_cast<std::size_t>(row) * glyph.width;
        std::uint8_t* pixel = mImage.MemoryRow(Height() - 1 - (top + row)) + 3 * (left + firstCol);
        for (int col = firstCol; col < lastCol; ++col, pixel += 3) {
            const unsigned a = coverage[col];
            if (a == 0)
                continue;
            if (a == 255) {
                pixel[0] = static_cast<std::uint8_t>(blue), pixel[1] = static_cast<std::uint8_t>(green);
                pixel[2] = static_cast<std::uint8_t>(red);
                inked = true;
                continue;
            }
            blended = true;
            if (PackedBgr(pixel) == back) {
                pixel[0] = mBlendOverBack[a][0], pixel[1] = mBlendOverBack[a][1], pixel[2] = mBlendOverBack[a][2];
                continue;
            }
            const unsigned inverse = 255 - a;
            pixel[0] = static_cast<std::uint8_t>((blue * a + pixel[0] * inverse + 127) / 255);
            pixel[1] = static_cast<std::uint8_t>((green * a + pixel[1] * inverse + 127) / 255);
            pixel[2] = static_cast<std::uint8_t>((red * a + pixel[2] * inverse + 127) / 255);
        }
    }
    mBlended = mBlended || blended;
    if (inked)
        AddInk(mFore);
}

void PageCanvas::Line(float dx, float dy, RgbQuad colour)
{
    const int x0 = static_cast<int>(RoundHalfEven(mPenX)), y0 = static_cast<int>(RoundHalfEven(mPenY));
    const int x1 = static_cast<int>(RoundHalfEven(mPenX + dx)), y1 = static_cast<int>(RoundHalfEven(mPenY + dy));
    // The end point itself is not drawn, as on the platform this layout was made for.
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    if (y1 == y0 && steps > 0) {
        // A rule across the page: the same pixels as below, in one run along the row.
        if (y0 >= 0 && y0 < Height()) {
            const int from = std::max(0, x1 > x0 ? x0 : x1 + 1), to = std::min(Width() - 1, x1 > x0 ? x1 - 1 : x0);
            std::uint8_t* p = mImage.MemoryRow(Height() - 1 - y0) + 3 * from;
            for (int x = from; x <= to; ++x, p += 3)
                p[0] = colour.blue, p[1] = colour.green, p[2] = colour.red;
            if (from <= to)
                AddInk(colour);
        }
        mPenX += dx;
        mPenY += dy;
        return;
    }
    for (int i = 0; i < steps; ++i) {
        const int x = x0 + static_cast<int>(RoundHalfEven(static_cast<double>(x1 - x0) * i / steps));
        const int y = y0 + static_cast<int>(RoundHalfEven(static_cast<double>(y1 - y0) * i / steps));
        if (x >= 0 && x < Width() && y >= 0 && y < Height()) {
            std::uint8_t* p = mImage.MemoryRow(Height() - 1 - y) + 3 * x;
            p[0] = colour.blue, p[1] = colour.green, p[2] = colour.red;
            AddInk(colour);
        }
    }
    mPenX += dx;
    mPenY += dy;
}
