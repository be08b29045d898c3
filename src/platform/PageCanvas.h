#pragma once

#include "imaging/Bitmap.h"
#include "platform/Fonts.h"
#include "platform/GlyphPainter.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The page being laid out: a 24-bit picture in pixels with a font, two colours, a pen, printing and lines.
// Text is drawn in the foreground colour, anti-aliased or monochrome (then the picture holds only the two
// colours). Widths and heights are those of the glyphs drawn in the current mode, in pixels, as single-precision
// numbers; the pen is at the top-left of the row it prints into.
class PageCanvas {
public:
    PageCanvas(int width = 320, int height = 240);

    // Face, size in points and weight. The size actually given (pixels at 96 dots per inch, back in points)
    // is answered: 8 points give 8.25.
    double SetFont(const std::string& face, double points, bool bold);
    const std::string& FontName() const { return mFaceName; }
    // The family actually drawn with: the face itself or its stand-in.
    const std::string& FontFamily() const { return CurrentFont().Family(); }
    double FontSize() const { return mPoints; }
    bool FontBold() const { return mBold; }

    // Anti-aliased at first. A new mode changes what later prints draw and measure, never what is drawn.
    void SetGlyphMode(GlyphMode mode);
    GlyphMode CurrentGlyphMode() const { return mMode; }

    void SetForeColor(RgbQuad colour) { mFore = colour; }
    void SetBackColor(RgbQuad colour) { mBack = colour; }
    RgbQuad ForeColor() const { return mFore; }
    RgbQuad BackColor() const { return mBack; }

    // A new size clears the picture.
    void Resize(int width, int height);
    int Width() const { return mImage.Width(); }
    int Height() const { return mImage.Height(); }

    // Erases to the background colour and puts the pen at (0, 0).
    void Clear();

    // Text in the scripts that need it is shaped, and so is all text when SetShapeAll is on (kerning and
    // ligatures for every script); the rest is drawn glyph by glyph. A character the face lacks is drawn by the
    // face the system picks for it, on the same baseline. A text with right-to-left characters in it shows them
    // in their order, within the room the whole text takes, written left to right as a whole.
    void SetShapeAll(bool on);
    // The language of the text ("en-US", "ja"), which faces standing in for missing characters are chosen for;
    // empty when unknown.
    void SetLanguage(const std::string& language);
    bool ShapesAll() const { return mShapeAll; }
    float TextWidth(std::u32string_view text) const
    {
        float width = 0;
        return !mShapeAll && CurrentFont().PlainWidth(text, width) ? width : MixedWidth(text, false);
    }
    // The height of a row of text, the same for every text.
    float TextHeight() const { return static_cast<float>(CurrentFont().Height()); }
    // The current face has a glyph of its own for c.
    bool HasGlyph(char32_t c) const { return CurrentFont().HasGlyph(c); }

    float CurrentX() const { return mPenX; }
    float CurrentY() const { return mPenY; }
    void SetCurrentX(float x) { mPenX = x; }
    void SetCurrentY(float y) { mPenY = y; }

    // Prints at the pen. On the same row the pen ends after the text; with a line break it goes to
    // x = 0 of the next row (y grows by the text height).
    enum class Then { StayOnRow, NewRow };
    void Print(std::u32string_view text, Then then);
    // Moves the pen on as printing the text would, drawing nothing.
    void Advance(std::u32string_view text);
    // A piece of a row written in one direction as a whole (one embedding level), at the pen, which moves on by
    // TextWidthDirected: the pieces of a right-to-left row are placed by the caller.
    void PrintDirected(std::u32string_view text, bool rightToLeft);
    float TextWidthDirected(std::u32string_view text, bool rightToLeft) const { return MixedWidth(text, rightToLeft); }

    // A straight line from the pen to the pen plus (dx, dy), in the given colour; the pen ends there.
    void Line(float dx, float dy, RgbQuad colour);

    const Bitmap& Image() const { return mImage; }

    // Keeps a finished page without copying it: until the canvas next changes its pixels the picture is the kept
    // page, and just before the change it is handed to *keeper, by exchanging pictures when the change rewrites
    // every pixel (a clear, a new size), by a copy otherwise. nullptr ends the keeping; so does the hand-over.
    void KeepBeforeChange(std::optional<Bitmap>* keeper) { mKeeper = keeper; }
    bool Keeps(const std::optional<Bitmap>* keeper) const { return keeper && mKeeper == keeper; }

    // True when every pixel is one of the two colours: nothing but them was drawn since the picture was last
    // cleared, and no text edge was blended. The answer errs only towards false.
    bool HoldsOnly(RgbQuad first, RgbQuad second) const;

private:
    // A stretch of text drawn by one face at one embedding level, shaped or glyph by glyph.
    struct TextRun {
        std::size_t start = 0;
        std::size_t length = 0;
        Font* font = nullptr;
        std::uint8_t level = 0;
        bool shaped = false;
        bool complex = false;  // shaped for its script (or direction), not only for kerning
    };
    void Runs(std::u32string_view text, bool rightToLeft, std::vector<TextRun>& runs) const;
    float RunWidth(std::u32string_view text, const TextRun& run) const;
    float MixedWidth(std::u32string_view text, bool rightToLeft) const;
    void PrintMixed(std::u32string_view text, bool rightToLeft);
    Font* FallbackFor(char32_t c) const;
    void ForgetWidths();
    // The code DrawGlyph is given for a glyph that is not the current face's glyph of a character.
    static constexpr char32_t kNotACharacter = 0x110000;
    void DrawGlyph(const GlyphImage& glyph, char32_t c, int originX, int baselineY);
    void AddInk(RgbQuad colour)
    {
        if (!mInks.back().SameColour(colour))
            AddNewInk(colour);
    }
    void AddNewInk(RgbQuad colour);
    void HandOver(bool rewritesAll);

    Bitmap mImage;
    std::optional<Bitmap>* mKeeper = nullptr;
    // The font is opened when it is first needed, so a face set and replaced before any text is never looked up.
    Font& CurrentFont() const;

    mutable std::shared_ptr<Font> mFont;
    mutable std::unordered_map<char32_t, std::shared_ptr<Font>> mFallbacks;  // of the current font; null: none
    mutable std::vector<TextRun> mRuns;  // kept between calls for their memory
    mutable TextMap<float> mMixedWidths[2];  // of texts measured before, by their direction
    bool mShapeAll = false;
    std::string mLanguage;
    int mPixels = 11;
    GlyphMode mMode = GlyphMode::AntiAliased;
    std::string mFaceName = "Arial";
    double mPoints = 8.25;
    bool mBold = false;
    RgbQuad mFore = RgbQuad::FromRgb(0, 0, 0);
    RgbQuad mBack = RgbQuad::FromRgb(255, 255, 255);
    float mPenX = 0;
    float mPenY = 0;
    std::vector<RgbQuad> mInks;  // the colours drawn since the last clear, the background first
    bool mBlended = false;       // a pixel was blended from two colours
    GlyphPainter mPainter;  // its paintings are of the current font
};
