#include "platform/PageCanvas.h"

#include "base/Rounding.h"
#include "platform/Bidi.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <utility>

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
        mFont.reset(), mFallbacks.clear(), ForgetWidths(), mPainter.DropPaintings();
    mPixels = pixels;
    mFaceName = face;
    mBold = bold;
    mPoints = PointsForPixelSize(pixels);
    return mPoints;
}

void PageCanvas::SetGlyphMode(GlyphMode mode)
{
    if (mode != mMode)
        mFont.reset(), mFallbacks.clear(), ForgetWidths(), mPainter.DropPaintings();
    mMode = mode;
}

void PageCanvas::SetShapeAll(bool on)
{
    if (on != mShapeAll)
        ForgetWidths();
    mShapeAll = on;
}

void PageCanvas::SetLanguage(const std::string& language)
{
    if (language != mLanguage)
        mFallbacks.clear(), ForgetWidths();
    mLanguage = language;
}

void PageCanvas::ForgetWidths()
{
    for (auto& kept : mMixedWidths)
        kept.clear();
}

Font& PageCanvas::CurrentFont() const
{
    if (!mFont)
        mFont = FontLibrary::Instance().Open(mFaceName, mPixels, mBold, mMode);
    return *mFont;
}

void PageCanvas::HandOver(bool rewritesAll)
{
    if (!mKeeper)
        return;
    std::optional<Bitmap>& keeper = *std::exchange(mKeeper, nullptr);
    if (!rewritesAll)
        keeper = mImage;
    else if (keeper && keeper->Width() == Width() && keeper->Height() == Height() &&
             keeper->BitsPerPixel() == mImage.BitsPerPixel())
        std::swap(*keeper, mImage);
    else
        keeper = std::exchange(mImage, MakePicture(Width(), Height()));
}

void PageCanvas::Resize(int width, int height)
{
    if (width != Width() || height != Height()) {
        if (mKeeper)
            *std::exchange(mKeeper, nullptr) = std::move(mImage);
        mImage = MakePicture(width, height);
    }
    Clear();
}

void PageCanvas::Clear()
{
    HandOver(true);
    mPenX = mPenY = 0;
    mInks.assign(1, mBack);
    mBlended = false;
    const std::span<std::uint8_t> bits = mImage.Bits();
    if (mBack.blue == mBack.green && mBack.green == mBack.red && mImage.Stride() == 3 * Width()) {
        // A grey background (white on most schemes) on rows without padding is one byte throughout.
        if (!bits.empty())
            std::memset(bits.data(), mBack.red, bits.size());
        return;
    }
    std::uint8_t* first = mImage.MemoryRow(0);
    for (int x = 0; x < Width(); ++x) {
        first[3 * x] = mBack.blue;
        first[3 * x + 1] = mBack.green;
        first[3 * x + 2] = mBack.red;
    }
    for (int row = 1; row < Height(); ++row)
        std::memcpy(mImage.MemoryRow(row), first, static_cast<std::size_t>(mImage.Stride()));
}

void PageCanvas::AddNewInk(RgbQuad colour)
{
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
    if (mShapeAll || !font.Plain(text)) {
        PrintMixed(text, false);
        if (then == Then::NewRow)
            mPenX = 0, mPenY += TextHeight();
        return;
    }
    const int baseline = static_cast<int>(RoundHalfEven(mPenY)) + font.Ascender();
    float x = mPenX;
    for (char32_t c : text) {
        const GlyphImage& glyph = font.Glyph(c);
        if (!glyph.coverage.empty())
            DrawGlyph(glyph, c, static_cast<int>(RoundHalfEven(x)), baseline);
        x += glyph.advance;
    }
    if (then == Then::NewRow) {
        mPenX = 0;
        mPenY += TextHeight();
    } else {
        mPenX = x;
    }
}

void PageCanvas::Advance(std::u32string_view text)
{
    Font& font = CurrentFont();
    if (mShapeAll || !font.Plain(text)) {
        mPenX += MixedWidth(text, false);
        return;
    }
    // Added glyph by glyph, exactly as Print moves the pen.
    float x = mPenX;
    for (char32_t c : text)
        x += font.Glyph(c).advance;
    mPenX = x;
}

void PageCanvas::PrintDirected(std::u32string_view text, bool rightToLeft) { PrintMixed(text, rightToLeft); }

Font* PageCanvas::FallbackFor(char32_t c) const
{
    auto [it, inserted] = mFallbacks.try_emplace(c);
    if (inserted)
        it->second = FontLibrary::Instance().Fallback(CurrentFont(), c, mLanguage);
    return it->second.get();
}

void PageCanvas::Runs(std::u32string_view text, bool rightToLeft, std::vector<TextRun>& runs) const
{
    Font& primary = CurrentFont();
    const std::vector<std::uint8_t> levels = EmbeddingLevels(text, rightToLeft);
    runs.clear();
    Font* previous = nullptr;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        Font* font = &primary;
        const bool complex = (levels[i] & 1) || NeedsShaping(c);
        if (previous && previous != &primary && (complex || !IsLetterOfAScript(c)) && previous->HasGlyph(c)) {
            // Marks, joiners, blanks and punctuation go on in the face that draws the letters before them, as
            // long as it has them.
            font = previous;
        } else if (c >= 0x20 && !primary.Draws(c)) {
            if (Font* fallback = FallbackFor(c))
                font = fallback;
        }
        if (runs.empty() || runs.back().font != font || runs.back().level != levels[i])
            runs.push_back({i, 0, font, levels[i], false, false});
        TextRun& run = runs.back();
        run.length++;
        run.complex = run.complex || complex;
        run.shaped = run.shaped || complex || mShapeAll;
        previous = font;
    }
}

float PageCanvas::RunWidth(std::u32string_view text, const TextRun& run) const
{
    const std::u32string_view part = text.substr(run.start, run.length);
    return run.shaped ? run.font->Shape(part, run.level & 1, run.complex).width : run.font->TextWidth(part);
}

float PageCanvas::MixedWidth(std::u32string_view text, bool rightToLeft) const
{
    // A word is measured as it is fitted, printed and placed in its row: the answer is kept.
    constexpr std::size_t kMostKept = 1 << 14;
    TextMap<float>& kept = mMixedWidths[rightToLeft ? 1 : 0];
    if (const auto found = kept.find(text); found != kept.end())
        return found->second;
    if (kept.size() >= kMostKept)
        kept.clear();
    Runs(text, rightToLeft, mRuns);
    float width = 0;
    for (const TextRun& run : mRuns)
        width += RunWidth(text, run);
    kept.emplace(std::u32string(text), width);
    return width;
}

void PageCanvas::PrintMixed(std::u32string_view text, bool rightToLeft)
{
    Font& primary = CurrentFont();
    const int baseline = static_cast<int>(RoundHalfEven(mPenY)) + primary.Ascender();
    std::vector<TextRun> runs;
    Runs(text, rightToLeft, runs);
    // Each run where it stands written left to right, then turned round where right-to-left levels say.
    std::vector<DirectedSpan> spans;
    spans.reserve(runs.size());
    float x = mPenX;
    bool turned = false;
    for (const TextRun& run : runs) {
        const float width = RunWidth(text, run);
        spans.push_back({run.level, x, width});
        x += width;
        turned = turned || run.level != 0;
    }
    if (turned)
        ShowInVisualOrder(spans);
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const TextRun& run = runs[r];
        const std::u32string_view part = text.substr(run.start, run.length);
        float at = spans[r].x;
        if (run.shaped) {
            for (const ShapedGlyph& placed : run.font->Shape(part, run.level & 1, run.complex).glyphs) {
                const GlyphImage& glyph = run.font->GlyphAt(placed.index);
                if (!glyph.coverage.empty())
                    DrawGlyph(glyph, kNotACharacter, static_cast<int>(RoundHalfEven(at + placed.x)),
                              baseline - static_cast<int>(RoundHalfEven(placed.y)));
            }
            continue;
        }
        for (char32_t c : part) {
            const GlyphImage& glyph = run.font->Glyph(c);
            if (!glyph.coverage.empty())
                DrawGlyph(glyph, run.font == &primary ? c : kNotACharacter, static_cast<int>(RoundHalfEven(at)),
                          baseline);
            at += glyph.advance;
        }
    }
    mPenX = x;
}

void PageCanvas::DrawGlyph(const GlyphImage& glyph, char32_t c, int originX, int baselineY)
{
    const int left = originX + glyph.left;
    const int top = baselineY - glyph.top;
    const int firstRow = std::max(0, -top), lastRow = std::min(glyph.height, Height() - top);
    const int firstCol = std::max(0, -left), lastCol = std::min(glyph.width, Width() - left);
    if (firstRow >= lastRow || firstCol >= lastCol || !(glyph.solid || glyph.partial))
        return;
    HandOver(false);
    mPainter.UseColours(mFore, mBack);
    // A whole glyph row is blended with its zero padding, which leaves the pixels beyond the glyph as they are,
    // when the row of the picture reaches that far; a glyph cut by the page's edge, or too close to the end of a
    // row, is blended over just its columns.
    const bool cut = lastRow - firstRow < glyph.height || lastCol - firstCol < glyph.width;
    const std::size_t stride = glyph.SpreadStride(), start = 3 * static_cast<std::size_t>(left + firstCol);
    const std::size_t runBytes = !cut && start + stride <= static_cast<std::size_t>(mImage.Stride())
                                     ? stride
                                     : 3 * static_cast<std::size_t>(lastCol - firstCol);
    // Rows are stored bottom-up: the glyph's next row down is the picture's previous memory row.
    mPainter.Blend(glyph, c, firstRow, lastRow, 3 * static_cast<std::size_t>(firstCol), runBytes,
                   mImage.MemoryRow(Height() - 1 - (top + firstRow)) + start, -static_cast<std::ptrdiff_t>(mImage.Stride()));

    bool solid = glyph.solid, partial = glyph.partial;
    if (cut) {
        // Cut by the page's edge: only what was drawn counts.
        solid = partial = false;
        for (int row = firstRow; row < lastRow; ++row)
            for (int col = firstCol; col < lastCol; ++col) {
                const std::uint8_t a = glyph.coverage[static_cast<std::size_t>(row) * glyph.width + col];
                solid = solid || a == 255;
                partial = partial || (a != 0 && a != 255);
            }
    }
    mBlended = mBlended || partial;
    if (solid)
        AddInk(mFore);
}

void PageCanvas::Line(float dx, float dy, RgbQuad colour)
{
    HandOver(false);
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
