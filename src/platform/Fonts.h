#pragma once

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

// One face at one pixel size in one glyph mode. Glyphs are rendered once and kept; widths are those of the
// glyphs as drawn in that mode.
class Font {
public:
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const GlyphImage& Glyph(char32_t c) { return c < 256 && mLatinReady[c] ? mLatin[c] : Render(c); }
    // The face draws c (has a glyph of its own for it).
    bool HasGlyph(char32_t c) const;
    float TextWidth(std::u32string_view text);
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
    bool mSyntheticBold = false;
    const GlyphImage& Render(char32_t c);  // a glyph not drawn before, kept from now on

    std::vector<GlyphImage> mLatin;  // code points below 256, rendered on first use
    std::vector<char> mLatinReady;
    std::unordered_map<char32_t, GlyphImage> mOther;
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
    std::optional<FileChoice> Match(const std::string& face, bool bold);

    struct Impl;
    std::unique_ptr<Impl> mImpl;
};
