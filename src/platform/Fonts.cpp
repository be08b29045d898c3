#include "platform/Fonts.h"

#include "imaging/Rounding.h"

#include <algorithm>
#include <cmath>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include <map>
#include <optional>
#include <strings.h>
#include <mutex>
#include <stdexcept>
#include <tuple>

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

int CeilPixels(FT_Pos value) { return static_cast<int>((value + 63) >> 6); }
int FloorPixels(FT_Pos value) { return static_cast<int>(value >> 6); }

} // namespace

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

Font::~Font() = default;

const GlyphImage& Font::Glyph(char32_t c)
{
    GlyphImage* slot;
    if (c < 256) {
        if (mLatinReady[c])
            return mLatin[c];
        slot = &mLatin[c];
        mLatinReady[c] = true;
    } else {
        auto [it, inserted] = mOther.try_emplace(c);
        if (!inserted)
            return it->second;
        slot = &it->second;
    }

    FT_Face face = mFace->face;
    const FT_UInt index = FT_Get_Char_Index(face, c);
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0)
        return *slot;  // an empty glyph that moves nothing
    if (mSyntheticBold)
        FT_GlyphSlot_Embolden(face->glyph);
    if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
        return *slot;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    slot->left = face->glyph->bitmap_left;
    slot->top = face->glyph->bitmap_top;
    slot->width = static_cast<int>(bitmap.width);
    slot->height = static_cast<int>(bitmap.rows);
    slot->advance = static_cast<float>(face->glyph->advance.x) / 64.0f;
    slot->coverage.resize(static_cast<std::size_t>(slot->width) * slot->height);
    for (int row = 0; row < slot->height; ++row)
        std::copy_n(bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch, slot->width,
                    slot->coverage.begin() + static_cast<std::ptrdiff_t>(row) * slot->width);
    return *slot;
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
    FcConfig* config = nullptr;
    std::map<std::tuple<std::string, int, bool>, std::shared_ptr<Font>> fonts;
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
    mImpl->config = FcInitLoadConfigAndFonts();
    FcConfigAppFontAddDir(mImpl->config, reinterpret_cast<const FcChar8*>(kExtraFontFolder));
}

FontLibrary::~FontLibrary()
{
    mImpl->fonts.clear();
    if (mImpl->config)
        FcConfigDestroy(mImpl->config);
    FT_Done_FreeType(mImpl->library);
}

FontLibrary::FileChoice FontLibrary::Find(const std::string& face, bool bold)
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
    if (auto fallback = match("sans-serif", false))
        return *fallback;
    throw std::runtime_error("no font at all is installed");
}

FontLibrary::FaceSource FontLibrary::Describe(const std::string& face)
{
    const std::lock_guard guard(mImpl->lock);
    const FileChoice choice = Find(face, false);
    return {choice.family, choice.path, strcasecmp(choice.family.c_str(), face.c_str()) != 0};
}

std::shared_ptr<Font> FontLibrary::Open(const std::string& face, int pixelSize, bool bold)
{
    const std::lock_guard guard(mImpl->lock);
    pixelSize = std::clamp(pixelSize, 1, 2000);
    auto& cached = mImpl->fonts[{face, pixelSize, bold}];
    if (cached)
        return cached;

    const FileChoice choice = Find(face, bold);
    auto font = std::shared_ptr<Font>(new Font());
    font->mFace = std::make_unique<Font::FaceHandle>();
    if (FT_New_Face(mImpl->library, choice.path.c_str(), choice.index, &font->mFace->face) != 0)
        throw std::runtime_error("cannot open the font file " + choice.path);
    FT_Set_Pixel_Sizes(font->mFace->face, 0, static_cast<FT_UInt>(pixelSize));
    const FT_Size_Metrics& metrics = font->mFace->face->size->metrics;
    font->mFamily = choice.family;
    font->mPixelSize = pixelSize;
    font->mAscender = CeilPixels(metrics.ascender);
    font->mHeight = font->mAscender - FloorPixels(metrics.descender);
    font->mSyntheticBold = bold && !choice.bold;
    font->mLatin.resize(256);
    font->mLatinReady.assign(256, false);
    cached = font;
    return cached;
}
