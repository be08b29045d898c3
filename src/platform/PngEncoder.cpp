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
    Palette* palette = nullptr;            // the colours of a picture of at most 256, else nullptr
    std::vector<std::uint8_t>* out = nullptr;
    std::vector<std::uint8_t>* bgr = nullptr;   // an expanded row of an indexed picture
    std::vector<std::uint8_t>* row = nullptr;   // a row as the PNG holds it
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

// The row at y as the PNG holds it, in job.row; nothing here allocates.
const std::uint8_t* PngRow(const Job& job, int y)
{
    const Bitmap& picture = *job.picture;
    const std::uint8_t* bgr = BgrRow(picture, y, *job.bgr);
    if (job.pixels == PngPixels::Colour && !job.palette)
        return bgr;  // written as it is, blue first: png_set_bgr
    std::uint8_t* out = job.row->data();
    if (job.palette) {
        for (int x = 0; x < picture.Width(); ++x)
            out[x] = static_cast<std::uint8_t>(job.palette->IndexOf(PackedBgr(bgr + 3 * x)));
        return out;
    }
    std::memset(out, 0, job.row->size());
    std::uint32_t lastPacked = 0xFFFFFFFF;
    bool lastWhite = false;
    for (int x = 0; x < picture.Width(); ++x) {
        const std::uint32_t packed = PackedBgr(bgr + 3 * x);
        if (packed != lastPacked) {
            const int blue = bgr[3 * x], green = bgr[3 * x + 1], red = bgr[3 * x + 2];
            const int dark = red * red + green * green + blue * blue;
            const int light = (255 - red) * (255 - red) + (255 - green) * (255 - green) + (255 - blue) * (255 - blue);
            lastPacked = packed;
            lastWhite = light < dark;
        }
        if (lastWhite)
            out[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
    }
    return out;
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
                 blackAndWhite ? 1 : 8, type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
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
    thread_local std::vector<std::uint8_t> out, bgr, row;
    Job job;
    job.picture = &picture;
    job.pixels = pixels;
    job.out = &out;
    job.bgr = &bgr;
    job.row = &row;
    Palette palette;
    try {
        out.clear();
        bgr.resize(picture.Indexed() ? 3 * static_cast<std::size_t>(picture.Width()) : 0);
        row.resize(pixels == PngPixels::BlackAndWhite ? (static_cast<std::size_t>(picture.Width()) + 7) / 8
                                                      : static_cast<std::size_t>(picture.Width()));
        if (pixels == PngPixels::Colour) {
            // A palette when the colours fit one: a byte a pixel instead of three, with the same runs to deflate.
            bool fits = true;
            for (int y = 0; y < picture.Height() && fits; ++y) {
                const std::uint8_t* line = BgrRow(picture, y, bgr);
                for (int x = 0; x < picture.Width() && fits; ++x)
                    fits = palette.IndexOf(PackedBgr(line + 3 * x)) >= 0;
            }
            job.palette = fits ? &palette : nullptr;
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
