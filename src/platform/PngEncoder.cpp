#include "platform/PngEncoder.h"

#include "imaging/Bitmap.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <new>
#include <png.h>
#include <string>
#include <vector>

namespace {

// The colours of a picture that has at most 256, each with its palette index, in the order they first appear.
class Palette {
public:
    // The index of a 24-bit pixel value (PackedBgr), made when it is new; -1 once a 257th colour is met.
    int IndexOf(std::uint32_t packed)
    {
        if (packed == mLastPacked)
            return mLastIndex;
        std::size_t slot = (packed * 2654435761u) >> (32 - kBits);
        while (mKeys[slot] != 0 && mKeys[slot] != packed + 1)
            slot = (slot + 1) & (kSlots - 1);
        if (mKeys[slot] == 0) {
            if (mCount == 256)
                return -1;
            mKeys[slot] = packed + 1;
            mIndexes[slot] = static_cast<std::uint8_t>(mCount);
            mColours[mCount++] = {static_cast<png_byte>(packed >> 16), static_cast<png_byte>(packed >> 8),
                                  static_cast<png_byte>(packed)};
        }
        mLastPacked = packed;
        mLastIndex = mIndexes[slot];
        return mLastIndex;
    }
    const png_color* Colours() const { return mColours.data(); }
    int Count() const { return mCount; }

private:
    static constexpr int kBits = 10;
    static constexpr std::size_t kSlots = std::size_t{1} << kBits;  // four times the colours: short probes
    std::array<std::uint32_t, kSlots> mKeys{};  // the pixel value + 1; 0 is a free slot
    std::array<std::uint8_t, kSlots> mIndexes{};
    std::array<png_color, 256> mColours{};
    int mCount = 0;
    std::uint32_t mLastPacked = 0xFFFFFFFF;  // no 24-bit value
    int mLastIndex = 0;
};

// A picture row, top-down, as blue, green, red bytes: the bitmap's own row at 24 bits, else expanded into scratch.
const std::uint8_t* BgrRow(const Bitmap& picture, int y, std::vector<std::uint8_t>& scratch)
{
    const int memoryRow = picture.Height() - 1 - y;
    if (!picture.Indexed())
        return picture.MemoryRow(memoryRow);
    std::uint8_t* out = scratch.data();
    for (int x = 0; x < picture.Width(); ++x, out += 3) {
        const RgbQuad colour = picture.Colour(x, y);
        out[0] = colour.blue, out[1] = colour.green, out[2] = colour.red;
    }
    return scratch.data();
}

struct Job {
    const Bitmap* picture = nullptr;
    PngPixels pixels = PngPixels::Colour;
    Palette* palette = nullptr;                 // the colours of a picture of at most 256, else nullptr
    std::vector<std::uint8_t>* out = nullptr;
    std::vector<std::uint8_t>* bgr = nullptr;      // an expanded row of an indexed picture
    std::vector<std::uint8_t>* row = nullptr;      // a black-and-white row as the PNG holds it
    std::vector<std::uint8_t>* indexes = nullptr;  // every pixel's palette index, top-down, with a palette
    char error[128] = {};
};

void OnError(png_structp png, png_const_charp message)
{
    auto* job = static_cast<Job*>(png_get_error_ptr(png));
    std::strncpy(job->error, message, sizeof job->error - 1);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void Append(png_structp png, png_bytep data, std::size_t length)
{
    auto* job = static_cast<Job*>(png_get_io_ptr(png));
    bool full = false;
    try {
        job->out->insert(job->out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        full = true;
    }
    if (full)
        png_error(png, "out of memory");
}

void Flush(png_structp) {}

// Whether a 24-bit pixel is nearer white than black (ties to black).
unsigned WhiteBit(const std::uint8_t* bgr)
{
    const std::uint32_t packed = PackedBgr(bgr);
    if (packed == 0 || packed == 0xFFFFFF)
        return packed & 1;
    const int blue = bgr[0], green = bgr[1], red = bgr[2];
    const int dark = red * red + green * green + blue * blue;
    const int light = (255 - red) * (255 - red) + (255 - green) * (255 - green) + (255 - blue) * (255 - blue);
    return light < dark;
}

// The 24 bytes of eight pixels, each black or white as its bit in a byte says (the highest bit first).
using EightPixels = std::array<std::uint64_t, 3>;
const std::array<EightPixels, 256>& PureEightPixels()
{
    static const std::array<EightPixels, 256> table = [] {
        std::array<EightPixels, 256> pixels{};
        for (unsigned bits = 0; bits < 256; ++bits) {
            std::array<std::uint8_t, 24> bytes{};
            for (int i = 0; i < 8; ++i)
                if (bits & (0x80u >> i))
                    bytes[3 * i] = bytes[3 * i + 1] = bytes[3 * i + 2] = 0xFF;
            std::memcpy(pixels[bits].data(), bytes.data(), bytes.size());
        }
        return pixels;
    }();
    return table;
}

// Packs a row of 24-bit pixels into one bit each, the leftmost the highest bit of its byte.
void PackBlackAndWhite(const std::uint8_t* bgr, int width, std::uint8_t* out)
{
    const auto& pure = PureEightPixels();
    int x = 0;
    // Eight pixels at a time: a black-and-white page holds nothing but pure black and white, whose blue bytes say
    // the bits; the eight are taken whole when they are what those bits make.
    for (; x + 8 <= width; x += 8, bgr += 24) {
        EightPixels words;
        std::memcpy(words.data(), bgr, sizeof words);
        unsigned bits = 0;
        for (int i = 0; i < 8; ++i)
            bits = bits << 1 | bgr[3 * i] >> 7;
        if (words != pure[bits]) {
            bits = 0;
            for (int i = 0; i < 8; ++i)
                bits = bits << 1 | WhiteBit(bgr + 3 * i);
        }
        out[x >> 3] = static_cast<std::uint8_t>(bits);
    }
    if (x < width) {
        unsigned bits = 0;
        for (int i = 0; x + i < width; ++i)
            bits |= WhiteBit(bgr + 3 * i) << (7 - i);
        out[x >> 3] = static_cast<std::uint8_t>(bits);
    }
}

// The row at y as the PNG holds it; nothing here allocates.
const std::uint8_t* PngRow(const Job& job, int y)
{
    const Bitmap& picture = *job.picture;
    if (job.palette)
        return job.indexes->data() + static_cast<std::size_t>(y) * picture.Width();
    const std::uint8_t* bgr = BgrRow(picture, y, *job.bgr);
    if (job.pixels == PngPixels::Colour)
        return bgr;  // written as it is, blue first: png_set_bgr
    PackBlackAndWhite(bgr, picture.Width(), job.row->data());
    return job.row->data();
}

// The palette index of every pixel, top-down, while the colours fit a palette; false at the 257th colour.
bool IndexColours(const Bitmap& picture, Palette& palette, std::vector<std::uint8_t>& bgr, std::uint8_t* indexes)
{
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* line = BgrRow(picture, y, bgr);
        for (int x = 0; x < picture.Width(); ++x) {
            const int index = palette.IndexOf(PackedBgr(line + 3 * x));
            if (index < 0)
                return false;
            *indexes++ = static_cast<std::uint8_t>(index);
        }
    }
    return true;
}

// libpng reports a failure by a long jump back into this function: nothing in it has a destructor to skip.
bool WritePng(png_structp png, png_infop info, Job& job)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const Bitmap& picture = *job.picture;
    png_set_write_fn(png, &job, Append, Flush);
    const bool blackAndWhite = job.pixels == PngPixels::BlackAndWhite;
    const int type = blackAndWhite ? PNG_COLOR_TYPE_GRAY : job.palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.Width()), static_cast<png_uint_32>(picture.Height()),
                 blackAndWhite ? 1 : 8, type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (job.palette)
        png_set_PLTE(png, info, job.palette->Colours(), job.palette->Count());
    png_write_info(png, info);
    if (type == PNG_COLOR_TYPE_RGB)
        png_set_bgr(png);
    for (int y = 0; y < picture.Height(); ++y)
        png_write_row(png, PngRow(job, y));
    png_write_end(png, nullptr);
    return true;
}

} // namespace

Result<std::span<const std::uint8_t>> EncodePng(const Bitmap& picture, PngPixels pixels)
{
    thread_local std::vector<std::uint8_t> out, bgr, row, indexes;
    Job job;
    job.picture = &picture;
    job.pixels = pixels;
    job.out = &out;
    job.bgr = &bgr;
    job.row = &row;
    job.indexes = &indexes;
    Palette palette;
    try {
        out.clear();
        bgr.resize(picture.Indexed() ? 3 * static_cast<std::size_t>(picture.Width()) : 0);
        row.resize((static_cast<std::size_t>(picture.Width()) + 7) / 8);
        // A palette when the colours fit one: a byte a pixel instead of three, with the same runs to deflate.
        if (pixels == PngPixels::Colour) {
            indexes.resize(static_cast<std::size_t>(picture.Width()) * static_cast<std::size_t>(picture.Height()));
            if (IndexColours(picture, palette, bgr, indexes.data()))
                job.palette = &palette;
        }
    } catch (const std::bad_alloc&) {
        return Error{"out of memory", ENOMEM};
    }

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool written = info && WritePng(png, info, job);
    png_destroy_write_struct(&png, &info);
    if (!written)
        return Error{*job.error ? std::string(job.error) : "out of memory", ENOMEM};
    return std::span<const std::uint8_t>(out);
}
