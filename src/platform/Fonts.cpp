#include "platform/Fonts.h"

#include "base/Rounding.h"
#include "platform/GlyphCoverage.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include <hb-ft.h>
#include <hb.h>
#include <map>
#include <optional>
#include <strings.h>
#include <mutex>
#include <stdexcept>
#include <tuple>
#include <utility>

namespace {

// Where a face is missing, the face we draw with instead.
const std::map<std::string, std::string>& StandIns()
{
    static const std::map<std::string, std::string> standIns = {
        {"Arial", "Liberation Sans"},       {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"}, {"Verdana", "DejaVu Sans"},
        {"Tahoma", "DejaVu Sans"},          {"ProggyCleanTT", "DejaVu Sans Mono"},
    };
    return standIns;
}

// Tahoma ships with Wine, outside the folders fontconfig searches.
constexpr const char* kExtraFontFolder = "/usr/share/wine/fonts";

// The system's whole configuration, with the folder that holds Tahoma.
FcConfig* WholeConfig()
{
    FcConfig* config = FcInitLoadConfigAndFonts();
    FcConfigAppFontAddDir(config, reinterpret_cast<const FcChar8*>(kExtraFontFolder));
    return config;
}

// The font folders and caches of the system's configuration, without its matching rules; nothing when that
// configuration cannot be built.
FcConfig* FontFoldersOnly()
{
    static constexpr const char* kFolders = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts</dir>
  <dir>/usr/local/share/fonts</dir>
  <dir prefix="xdg">fonts</dir>
  <dir>~/.fonts</dir>
  <dir>/usr/share/wine/fonts</dir>
  <cachedir>/var/cache/fontconfig</cachedir>
  <cachedir prefix="xdg">fontconfig</cachedir>
  <cachedir>~/.fontconfig</cachedir>
</fontconfig>)";
    FcConfig* config = FcConfigCreate();
    if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kFolders), FcFalse) ||
        !FcConfigBuildFonts(config)) {
        FcConfigDestroy(config);
        return nullptr;
    }
    return config;
}

// Loads glyph index with the load flags and renders it; false, with what was learnt so far, when FreeType cannot.
// A glyph from one of the face's bitmap strikes is a bitmap already, in whatever pixel mode the strike has.
bool RenderGlyph(FT_Face face, FT_UInt index, FT_Int32 loadFlags, FT_Render_Mode renderMode, bool embolden,
                 CoverageLevels levels, GlyphImage& glyph)
{
    if (FT_Load_Glyph(face, index, loadFlags) != 0)
        return false;
    if (embolden)
        FT_GlyphSlot_Embolden(face->glyph);
    glyph.advance = static_cast<float>(face->glyph->advance.x) / 64.0f;
    GlyphCoverage image;
    if (FT_Render_Glyph(face->glyph, renderMode) != 0 || !ToCoverage(face->glyph->bitmap, levels, image))
        return false;
    glyph.left = face->glyph->bitmap_left;
    glyph.top = face->glyph->bitmap_top;
    glyph.width = image.width;
    glyph.height = image.height;
    glyph.coverage = std::move(image.coverage);
    return true;
}

bool HasInk(const GlyphImage& glyph)
{
    return std::any_of(glyph.coverage.begin(), glyph.coverage.end(), [](std::uint8_t value) { return value != 0; });
}

// Fills in what drawing takes from a finished glyph.
const GlyphImage& ReadyToDraw(GlyphImage& glyph)
{
    const std::size_t stride = glyph.SpreadStride();
    glyph.spread.assign(stride * static_cast<std::size_t>(glyph.height), 0);
    for (int row = 0; row < glyph.height; ++row) {
        std::uint8_t* out = glyph.spread.data() + stride * static_cast<std::size_t>(row);
        for (int col = 0; col < glyph.width; ++col, out += 3)
            out[0] = out[1] = out[2] = glyph.coverage[static_cast<std::size_t>(row) * glyph.width + col];
    }
    glyph.solid = std::find(glyph.coverage.begin(), glyph.coverage.end(), 255) != glyph.coverage.end();
    glyph.partial = std::any_of(glyph.coverage.begin(), glyph.coverage.end(),
                                [](std::uint8_t value) { return value != 0 && value != 255; });
    return glyph;
}

int CeilPixels(FT_Pos value) { return static_cast<int>((value + 63) >> 6); }
int FloorPixels(FT_Pos value) { return static_cast<int>(value >> 6); }

} // namespace

bool NeedsShaping(char32_t c)
{
    // Combining marks begin at U+0300; nothing before them is shaped.
    if (c < 0x0300)
        return false;
    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    switch (hb_unicode_general_category(unicode, c)) {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
        return true;
    case HB_UNICODE_GENERAL_CATEGORY_FORMAT:
        return c == 0x200C || c == 0x200D;  // the joiners
    default:
        break;
    }
    switch (hb_unicode_script(unicode, c)) {
    case HB_SCRIPT_COMMON:
    case HB_SCRIPT_INHERITED:
    case HB_SCRIPT_UNKNOWN:
    case HB_SCRIPT_LATIN:
    case HB_SCRIPT_GREEK:
    case HB_SCRIPT_CYRILLIC:
    case HB_SCRIPT_ARMENIAN:
    case HB_SCRIPT_GEORGIAN:
    case HB_SCRIPT_HAN:
    case HB_SCRIPT_HIRAGANA:
    case HB_SCRIPT_KATAKANA:
    case HB_SCRIPT_BOPOMOFO:
        return false;
    default:
        return true;
    }
}

std::size_t ClusterEnd(std::u32string_view text, std::size_t from)
{
    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    const auto attached = [&](char32_t c) {
        if (c < 0x0300)
            return false;
        switch (hb_unicode_general_category(unicode, c)) {
        case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
        case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
        case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
            return true;
        default:
            return c == 0x200C || c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF);
        }
    };
    const auto virama = [&](char32_t c) {
        return c >= 0x0300 && hb_unicode_combining_class(unicode, c) == HB_UNICODE_COMBINING_CLASS_VIRAMA;
    };
    std::size_t end = from + 1;
    while (end < text.size() && (attached(text[end]) || virama(text[end - 1])))
        ++end;
    return end;
}

bool IsLetterOfAScript(char32_t c)
{
    if (c < 0x80)
        return (c | 0x20) >= U'a' && (c | 0x20) <= U'z';
    const hb_script_t script = hb_unicode_script(hb_unicode_funcs_get_default(), c);
    return script != HB_SCRIPT_COMMON && script != HB_SCRIPT_INHERITED && script != HB_SCRIPT_UNKNOWN;
}

const std::vector<std::string>& OfferedFaces()
{
    static const std::vector<std::string> faces = {"Arial",       "Tahoma",  "Times New Roman",
                                                   "Courier New", "Verdana", "ProggyCleanTT"};
    return faces;
}

int PixelSizeForPoints(double points)
{
    // Clamped before the conversion to a whole number, so that an absurd size cannot wrap around.
    const double pixels = RoundHalfEven((points > 0 ? std::min(points, 10000.0) : 0.0) * 96.0 / 72.0);
    return std::max(1, static_cast<int>(pixels));
}

double PointsForPixelSize(int pixels) { return pixels * 72.0 / 96.0; }

struct Font::FaceHandle {
    FT_Face face = nullptr;
    ~FaceHandle()
    {
        if (face)
            FT_Done_Face(face);
    }
};

struct Font::Shaper {
    hb_font_t* font = nullptr;
    hb_buffer_t* buffer = nullptr;
    TextMap<ShapedText> known[2];  // left to right, right to left
    ~Shaper()
    {
        hb_buffer_destroy(buffer);
        hb_font_destroy(font);
    }
};

Font::~Font() = default;

unsigned Font::GlyphIndex(char32_t c) const { return FT_Get_Char_Index(mFace->face, c); }

const GlyphImage& Font::Render(char32_t c)
{
    const FT_UInt index = FT_Get_Char_Index(mFace->face, c);
    GlyphImage* slot;
    if (c < kTableSize) {
        slot = &mLatin[c];
        mLatinReady[c] = index != 0 ? 1 : kMissing;
    } else {
        auto [it, inserted] = mOther.try_emplace(c);
        if (!inserted)
            return it->second;
        slot = &it->second;
    }
    RenderIndex(index, *slot);
    return *slot;
}

const GlyphImage& Font::GlyphAt(unsigned index)
{
    auto [it, inserted] = mByIndex.try_emplace(index);
    if (inserted)
        RenderIndex(index, it->second);
    return it->second;
}

void Font::RenderIndex(unsigned index, GlyphImage& glyph)
{
    FT_Face face = mFace->face;
    const bool monochrome = mMode == GlyphMode::Monochrome;
    RenderGlyph(face, index, monochrome ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL,
                monochrome ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL, mSyntheticBold,
                monochrome ? CoverageLevels::TwoLevel : CoverageLevels::All, glyph);
    if (HasInk(glyph)) {
        ReadyToDraw(glyph);
        return;
    }

    // A strike may lack a drawing (Tahoma's 15-pixel "ì"), and the one-bit rasteriser may lose marks thinner than
    // a pixel (the dots of a diaeresis at 8 pixels). The outline is drawn anti-aliased then; in monochrome, what
    // is at least half as dark as its darkest pixel is ink. The advance stays the one measured first.
    GlyphImage outline;
    if (!RenderGlyph(face, index, FT_LOAD_NO_BITMAP, FT_RENDER_MODE_NORMAL, mSyntheticBold, CoverageLevels::All,
                     outline) ||
        !HasInk(outline)) {
        ReadyToDraw(glyph);
        return;
    }
    if (monochrome) {
        const unsigned darkest = *std::max_element(outline.coverage.begin(), outline.coverage.end());
        for (std::uint8_t& value : outline.coverage)
            value = 2u * value >= darkest ? 255 : 0;
    }
    if (glyph.advance != 0)
        outline.advance = glyph.advance;
    glyph = std::move(outline);
    ReadyToDraw(glyph);
}

const ShapedText& Font::Shape(std::u32string_view text, bool rightToLeft, bool natural)
{
    constexpr std::size_t kMostKnown = 1 << 14;
    std::unique_ptr<Shaper>& shaper = mShapers[natural ? 1 : 0];
    if (!shaper) {
        shaper = std::make_unique<Shaper>();
        shaper->font = hb_ft_font_create_referenced(mFace->face);
        // Hinted advances space kerned Latin as glyph-by-glyph drawing does; the face's own unhinted ones, rounded
        // to whole pixels below, keep joining scripts as their designer spaced them.
        hb_ft_font_set_load_flags(shaper->font, natural                         ? FT_LOAD_NO_HINTING
                                                : mMode == GlyphMode::Monochrome ? FT_LOAD_TARGET_MONO
                                                                                 : FT_LOAD_TARGET_NORMAL);
        shaper->buffer = hb_buffer_create();
    }
    TextMap<ShapedText>& known = shaper->known[rightToLeft ? 1 : 0];
    if (const auto found = known.find(text); found != known.end())
        return found->second;
    if (known.size() >= kMostKnown)
        known.clear();

    hb_buffer_t* buffer = shaper->buffer;
    hb_buffer_clear_contents(buffer);
    hb_buffer_add_utf32(buffer, reinterpret_cast<const std::uint32_t*>(text.data()), static_cast<int>(text.size()), 0,
                        static_cast<int>(text.size()));
    hb_buffer_set_direction(buffer, rightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(shaper->font, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
    ShapedText shaped;
    shaped.glyphs.reserve(count);
    // A face made bold by thickening its strokes is wider per glyph by the strength FreeType thickens with, as
    // the glyphs drawn are.
    const FT_Face face = mFace->face;
    const float thickening =
        mSyntheticBold ? static_cast<float>(FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24) / 64.0f
                       : 0.0f;
    float pen = 0;
    for (unsigned i = 0; i < count; ++i) {
        float advance = static_cast<float>(positions[i].x_advance) / 64.0f +
                        (positions[i].x_advance != 0 ? thickening : 0.0f);
        if (natural)
            advance = std::round(advance);
        shaped.glyphs.push_back({infos[i].codepoint, pen + static_cast<float>(positions[i].x_offset) / 64.0f,
                                 static_cast<float>(positions[i].y_offset) / 64.0f, advance});
        pen += advance;
    }
    shaped.width = pen;
    return known.emplace(std::u32string(text), std::move(shaped)).first->second;
}

float Font::TextWidth(std::u32string_view text)
{
    float width = 0;
    for (char32_t c : text)
        width += Glyph(c).advance;
    return width;
}

struct FontLibrary::Impl {
    FT_Library library = nullptr;
    FcConfig* config = nullptr;  // made when a face is first looked up
    bool fullConfig = false;     // the system's whole configuration, not just its font folders
    std::map<std::pair<std::string, bool>, FileChoice> choices;  // each face and weight is looked up once
    std::map<std::tuple<std::string, int, bool, GlyphMode>, std::shared_ptr<Font>> fonts;
    std::map<std::tuple<std::string, bool, std::string, char32_t>, std::optional<FileChoice>> fallbackFiles;
    // The faces that may stand in for a character a family lacks, best first, with the characters each has.
    struct Candidate {
        FileChoice file;
        FcCharSet* charset = nullptr;  // a reference of our own
    };
    std::map<std::tuple<std::string, bool, std::string>, std::vector<Candidate>> fallbackOrders;
    const std::vector<Candidate>& FallbackOrder(const std::string& family, bool bold, const std::string& language);
    std::map<std::tuple<std::string, int, int, bool, GlyphMode>, std::shared_ptr<Font>> fallbackFonts;
    std::mutex lock;
};

FontLibrary& FontLibrary::Instance()
{
    static FontLibrary library;
    return library;
}

FontLibrary::FontLibrary() : mImpl(std::make_unique<Impl>())
{
    if (FT_Init_FreeType(&mImpl->library) != 0)
        throw std::runtime_error("FreeType cannot be started");
}

FontLibrary::~FontLibrary()
{
    mImpl->fonts.clear();
    mImpl->fallbackFonts.clear();
    for (auto& [family, order] : mImpl->fallbackOrders)
        for (Impl::Candidate& candidate : order)
            FcCharSetDestroy(candidate.charset);
    if (mImpl->config)
        FcConfigDestroy(mImpl->config);
    FT_Done_FreeType(mImpl->library);
}

FontLibrary::FileChoice FontLibrary::Find(const std::string& face, bool bold)
{
    const auto known = mImpl->choices.find({face, bold});
    if (known != mImpl->choices.end())
        return known->second;
    // The faces are looked up by their family names alone, so the font folders and their caches are all that is
    // needed of fontconfig: its whole configuration, dozens of files to parse, was most of a short conversion's
    // start. That configuration is read only when a face is found in none of those folders.
    if (!mImpl->config)
        mImpl->config = FontFoldersOnly();
    std::optional<FileChoice> choice = mImpl->config ? Match(face, bold) : std::nullopt;
    if (!choice && !mImpl->fullConfig) {
        if (mImpl->config)
            FcConfigDestroy(mImpl->config);
        mImpl->config = WholeConfig();
        mImpl->fullConfig = true;
        choice = Match(face, bold);
    }
    if (!choice)
        throw std::runtime_error("no font at all is installed");
    mImpl->choices[{face, bold}] = *choice;
    return *choice;
}

std::optional<FontLibrary::FileChoice> FontLibrary::Match(const std::string& face, bool bold)
{
    auto match = [&](const std::string& family, bool requireFamily) -> std::optional<FileChoice> {
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(mImpl->config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result;
        FcPattern* found = FcFontMatch(mImpl->config, pattern, &result);
        FcPatternDestroy(pattern);
        if (!found)
            return std::nullopt;
        FcChar8* file = nullptr;
        FcChar8* foundFamily = nullptr;
        int index = 0, weight = FC_WEIGHT_REGULAR;
        std::optional<FileChoice> choice;
        if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch &&
            FcPatternGetString(found, FC_FAMILY, 0, &foundFamily) == FcResultMatch) {
            FcPatternGetInteger(found, FC_INDEX, 0, &index);
            FcPatternGetInteger(found, FC_WEIGHT, 0, &weight);
            const std::string familyName = reinterpret_cast<const char*>(foundFamily);
            if (!requireFamily || strcasecmp(familyName.c_str(), family.c_str()) == 0)
                choice = FileChoice{reinterpret_cast<const char*>(file), index, familyName, weight >= FC_WEIGHT_BOLD};
        }
        FcPatternDestroy(found);
        return choice;
    };

    if (auto exact = match(face, true))
        return *exact;
    const auto standIn = StandIns().find(face);
    if (standIn != StandIns().end())
        if (auto replacement = match(standIn->second, true))
            return *replacement;
    // "sans-serif" is an alias of the whole configuration's rules.
    if (!mImpl->fullConfig)
        return std::nullopt;
    return match("sans-serif", false);
}

FontLibrary::FaceSource FontLibrary::Describe(const std::string& face)
{
    const std::lock_guard guard(mImpl->lock);
    const FileChoice choice = Find(face, false);
    return {choice.family, choice.path, strcasecmp(choice.family.c_str(), face.c_str()) != 0};
}

std::shared_ptr<Font> FontLibrary::Open(const std::string& face, int pixelSize, bool bold, GlyphMode mode)
{
    const std::lock_guard guard(mImpl->lock);
    pixelSize = std::clamp(pixelSize, 1, 2000);
    auto& cached = mImpl->fonts[{face, pixelSize, bold, mode}];
    if (!cached)
        cached = OpenFile(Find(face, bold), pixelSize, bold, mode);
    return cached;
}

std::shared_ptr<Font> FontLibrary::OpenFile(const FileChoice& choice, int pixelSize, bool bold, GlyphMode mode)
{
    auto font = std::shared_ptr<Font>(new Font());
    font->mFace = std::make_unique<Font::FaceHandle>();
    if (FT_New_Face(mImpl->library, choice.path.c_str(), choice.index, &font->mFace->face) != 0)
        throw std::runtime_error("cannot open the font file " + choice.path);
    FT_Set_Pixel_Sizes(font->mFace->face, 0, static_cast<FT_UInt>(pixelSize));
    const FT_Size_Metrics& metrics = font->mFace->face->size->metrics;
    font->mFamily = choice.family;
    font->mMode = mode;
    font->mAscender = CeilPixels(metrics.ascender);
    font->mHeight = font->mAscender - FloorPixels(metrics.descender);
    font->mPixelSize = pixelSize;
    font->mBold = bold;
    font->mSyntheticBold = bold && !choice.bold;
    font->mLatin.resize(Font::kTableSize);
    font->mLatinReady.assign(Font::kTableSize, 0);
    return font;
}

const std::vector<FontLibrary::Impl::Candidate>& FontLibrary::Impl::FallbackOrder(const std::string& family, bool bold,
                                                                                const std::string& language)
{
    auto [order, inserted] = fallbackOrders.try_emplace({family, bold, language});
    if (!inserted)
        return order->second;
    if (!fullConfig) {
        // Which faces stand in for others is the system's rules' to say.
        if (config)
            FcConfigDestroy(config);
        config = WholeConfig();
        fullConfig = true;
    }
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    // Faces made for the book's language rank first among those that have a character (the Japanese forms of
    // Han characters in a Japanese book).
    if (!language.empty())
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language.c_str()));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    if (FcFontSet* sorted = FcFontSort(config, pattern, FcFalse, nullptr, &result)) {
        for (int i = 0; i < sorted->nfont; ++i) {
            FcCharSet* has = nullptr;
            FcChar8 *file = nullptr, *name = nullptr;
            int index = 0, weight = FC_WEIGHT_REGULAR;
            if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &has) != FcResultMatch ||
                FcPatternGetString(sorted->fonts[i], FC_FILE, 0, &file) != FcResultMatch ||
                FcPatternGetString(sorted->fonts[i], FC_FAMILY, 0, &name) != FcResultMatch)
                continue;
            FcPatternGetInteger(sorted->fonts[i], FC_INDEX, 0, &index);
            FcPatternGetInteger(sorted->fonts[i], FC_WEIGHT, 0, &weight);
            order->second.push_back({FileChoice{reinterpret_cast<const char*>(file), index,
                                                reinterpret_cast<const char*>(name), weight >= FC_WEIGHT_BOLD},
                                     FcCharSetCopy(has)});
        }
        FcFontSetDestroy(sorted);
    }
    FcPatternDestroy(pattern);
    return order->second;
}

std::shared_ptr<Font> FontLibrary::Fallback(const Font& font, char32_t c, const std::string& language)
{
    const std::lock_guard guard(mImpl->lock);
    // fontconfig writes languages in small letters with a hyphen: "zh-tw".
    std::string lang;
    for (const char l : language)
        lang.push_back(l == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(l))));
    const auto key = std::make_tuple(font.Family(), font.mBold, lang, c);
    auto known = mImpl->fallbackFiles.find(key);
    if (known == mImpl->fallbackFiles.end()) {
        // The first face that has c, in the order fontconfig ranks the installed faces for the family: the ranking
        // is asked for once per family and weight, so that a book of many rare characters costs no more than a
        // look through it for each.
        std::optional<FileChoice> choice;
        for (const Impl::Candidate& candidate : mImpl->FallbackOrder(font.Family(), font.mBold, lang))
            if (FcCharSetHasChar(candidate.charset, c)) {
                choice = candidate.file;
                break;
            }
        known = mImpl->fallbackFiles.emplace(key, choice).first;
    }
    if (!known->second)
        return nullptr;
    auto& cached = mImpl->fallbackFonts[{known->second->path, known->second->index, font.mPixelSize, font.mBold,
                                         font.Mode()}];
    if (!cached)
        cached = OpenFile(*known->second, font.mPixelSize, font.mBold, font.Mode());
    return cached;
}
