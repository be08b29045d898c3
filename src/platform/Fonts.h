#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Screen fonts for the page canvas: the offered faces, found with fontconfig, drawn with FreeType at 96 dots
// per inch. A face the system lacks is replaced by its stand-in, and failing that by the system's sans-serif
// face, never by nothing.

// The six faces the font list offers, in list order.
const std::vector<std::string>& OfferedFaces();

// 96 dots per inch: 8 points are 11 pixels, and 11 pixels are 8.25 points.
int PixelSizeForPoints(double points);
double PointsForPixelSize(int pixels);

// How glyphs are drawn. Both are hinted, and both use a face's own bitmaps at the sizes it has them.
enum class GlyphMode {
    AntiAliased,  // 256 levels of coverage
    Monochrome,   // the face's hinting and rendering for one-bit screens: every pixel is ink or paper
};

// One glyph as 8-bit coverage, placed relative to the pen on the baseline.
struct GlyphImage {
    int left = 0;    // from the pen to the first column
    int top = 0;     // from the baseline up to the first row
    int width = 0;
    int height = 0;
    float advance = 0;  // pixels the pen moves on
    std::vector<std::uint8_t> coverage;  // width × height, rows top-down
    // Made from the coverage when the glyph is kept: each value three times, once per channel of a 24-bit
    // pixel, so that a row blends as one run of bytes, rows padded with zeros to a multiple of sixteen bytes; and
    // whether any pixel is full ink or partly inked.
    static constexpr std::size_t kSpreadAlign = 16;
    std::size_t SpreadStride() const { return (3 * static_cast<std::size_t>(width) + kSpreadAlign - 1) & ~(kSpreadAlign - 1); }
    std::vector<std::uint8_t> spread;
    bool solid = false;
    bool partial = false;
};

// c is drawn right only by a shaper: a letter of a script whose letters change with their neighbours (Arabic,
// Hebrew with its points, the Indic scripts, Thai, ...) or a combining mark. Latin, Greek, Cyrillic and the
// scripts without such rules are drawn glyph by glyph.
bool NeedsShaping(char32_t c);
// Where the character cluster that starts at `from` ends: a letter with the marks, joiners and variation selectors
// that follow it, and the letter after a virama, which the shaper may join into one glyph. Text too wide for a
// row is broken between clusters.
std::size_t ClusterEnd(std::u32string_view text, std::size_t from);
// c belongs to one script, unlike blanks, digits and punctuation, which all scripts share.
bool IsLetterOfAScript(char32_t c);

// Hashes texts so that a map keyed by strings is searched with a view, without making a string.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::u32string_view text) const { return std::hash<std::u32string_view>()(text); }
};
template <typename Value>
using TextMap = std::unordered_map<std::u32string, Value, TextHash, std::equal_to<>>;

// A glyph the shaper placed: its index in the face, its offset from the pen and how far the pen moves on.
struct ShapedGlyph {
    unsigned index = 0;
    float x = 0;
    float y = 0;  // upwards
    float advance = 0;
};
struct ShapedText {
    std::vector<ShapedGlyph> glyphs;  // in drawing order, left to right (right-to-left text comes reversed)
    float width = 0;
};

// One face at one pixel size in one glyph mode. Glyphs are rendered once and kept; widths are those of the
// glyphs as drawn in that mode.
class Font {
public:
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Characters below this are kept in a table, with whether the face has them.
    static constexpr char32_t kTableSize = 0x300;
    const GlyphImage& Glyph(char32_t c) { return c < kTableSize && mLatinReady[c] ? mLatin[c] : Render(c); }
    // The face draws c (has a glyph of its own for it), with the glyph of this index (0: none).
    bool HasGlyph(char32_t c) const { return GlyphIndex(c) != 0; }
    unsigned GlyphIndex(char32_t c) const;
    // The same, from the table below kTableSize.
    bool Draws(char32_t c)
    {
        if (c >= kTableSize)
            return HasGlyph(c);
        if (!mLatinReady[c])
            Render(c);
        return mLatinReady[c] != kMissing;
    }
    float TextWidth(std::u32string_view text);
    // Every character of text is one the face has below kTableSize (or a control character): it is drawn glyph
    // by glyph.
    bool Plain(std::u32string_view text)
    {
        return std::all_of(text.begin(), text.end(),
                           [this](char32_t c) { return c < kTableSize && (c < 0x20 || Draws(c)); });
    }
    // The width of such a text; false, with width unchanged, for any other.
    bool PlainWidth(std::u32string_view text, float& width)
    {
        float sum = 0;
        for (char32_t c : text) {
            if (c >= kTableSize || (c >= 0x20 && !Draws(c)))
                return false;
            sum += Glyph(c).advance;
        }
        width = sum;
        return true;
    }

    // The glyph of the face with this index, as the shaper names them.
    const GlyphImage& GlyphAt(unsigned index);
    // The glyphs that draw text, shaped as the face's own rules say (joining forms, ligatures, marks placed on
    // their letters, kerning), in one direction. Advances are the hinted ones glyph by glyph drawing uses, or with
    // natural the face's own rounded to whole pixels, so that letters that join (Arabic, the headline of
    // Devanagari) meet as the face's designer made them.
    // Kept for the next time the same text is asked for.
    const ShapedText& Shape(std::u32string_view text, bool rightToLeft, bool natural);
    int Ascender() const { return mAscender; }
    // The height of a row of text: ascender plus descender, the same for every string.
    int Height() const { return mHeight; }
    GlyphMode Mode() const { return mMode; }
    const std::string& Family() const { return mFamily; }

private:
    friend class FontLibrary;
    Font() = default;

    struct FaceHandle;
    std::unique_ptr<FaceHandle> mFace;
    std::string mFamily;
    GlyphMode mMode = GlyphMode::AntiAliased;
    int mAscender = 0;
    int mHeight = 0;
    int mPixelSize = 0;
    bool mBold = false;  // as asked for: a bold face, or a regular one made bold
    bool mSyntheticBold = false;
    const GlyphImage& Render(char32_t c);  // a glyph not drawn before, kept from now on
    void RenderIndex(unsigned index, GlyphImage& glyph);

    static constexpr char kMissing = 2;  // in mLatinReady: rendered, and the face has no glyph for it
    std::vector<GlyphImage> mLatin;  // code points below kTableSize, rendered on first use
    std::vector<char> mLatinReady;   // 0 not yet, 1 rendered, kMissing
    std::unordered_map<char32_t, GlyphImage> mOther;
    std::unordered_map<unsigned, GlyphImage> mByIndex;
    struct Shaper;
    std::unique_ptr<Shaper> mShapers[2];  // hinted and natural, made when text is first shaped so
};

class FontLibrary {
public:
    static FontLibrary& Instance();

    // The face at a pixel size, bold or not, in a glyph mode; the same object for the same request.
    std::shared_ptr<Font> Open(const std::string& face, int pixelSize, bool bold, GlyphMode mode);

    // What draws a face: the family and its font file; standIn when the face itself is not installed.
    struct FaceSource {
        std::string family;
        std::string file;
        bool standIn = false;
    };
    FaceSource Describe(const std::string& face);

    // The face, at the size and in the mode of `font`, that draws c when `font` has no glyph for it: the one
    // fontconfig ranks first among those that have it, for the language when one is given ("ja", "fa-IR"). Null
    // when no installed face has c.
    std::shared_ptr<Font> Fallback(const Font& font, char32_t c, const std::string& language = {});

private:
    FontLibrary();
    ~FontLibrary();

    struct FileChoice {
        std::string path;
        int index = 0;
        std::string family;
        bool bold = false;
    };
    FileChoice Find(const std::string& face, bool bold);
    std::shared_ptr<Font> OpenFile(const FileChoice& choice, int pixelSize, bool bold, GlyphMode mode);
    std::optional<FileChoice> Match(const std::string& face, bool bold);

    struct Impl;
    std::unique_ptr<Impl> mImpl;
};
