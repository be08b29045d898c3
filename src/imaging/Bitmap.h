#pragma once

#include "base/PrefaultedMemory.h"
#include "base/Verify.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// One colour-table entry, in file and memory order: blue, green, red, reserved.
struct RgbQuad {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;

    static constexpr RgbQuad FromRgb(int red, int green, int blue)
    {
        return {static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green), static_cast<std::uint8_t>(red), 0};
    }
    bool SameColour(const RgbQuad& other) const
    {
        return blue == other.blue && green == other.green && red == other.red;
    }
    // The colour as a 24-bit pixel value (see PackedBgr).
    std::uint32_t Packed() const { return blue | (green << 8) | (static_cast<std::uint32_t>(red) << 16); }
};

// The blue, green and red bytes of a 24-bit pixel as one value, the form RawPixel answers at 24 bits:
// blue | green << 8 | red << 16.
inline std::uint32_t PackedBgr(const std::uint8_t* bgr)
{
    return bgr[0] | (bgr[1] << 8) | (static_cast<std::uint32_t>(bgr[2]) << 16);
}

// The index of the colour-table entry nearest to a colour: the smallest squared distance in RGB,
// ties to the lower index. An entry equal to the colour always wins, so every table colour maps onto itself.
// Answers -1 for an empty table.
int NearestColourIndex(std::span<const RgbQuad> table, int red, int green, int blue);

// A device-independent bitmap: 1, 4 or 8 bits per pixel with a colour table, or 24 bits (blue, green, red).
// Rows are stored bottom-up (memory row 0 is the bottom row of the picture) and padded to 4 bytes.
// Pixel coordinates in the accessors are picture coordinates: (0, 0) is the top-left pixel.
// A bitmap is also the drawing context of the copies below: a copy "into a context" writes into its bitmap.
class Bitmap {
public:
    static constexpr int kMaxSide = 32768;

    // A black bitmap with a zeroed colour table; nothing for a size outside 1 .. kMaxSide or a depth
    // other than 1, 4, 8 and 24.
    static std::optional<Bitmap> Make(int width, int height, int bitsPerPixel);

    // Bytes in one padded row: ((width × bits + 31) \ 32) × 4.
    static int StrideFor(int width, int bitsPerPixel);

    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    int BitsPerPixel() const { return mBitsPerPixel; }
    int Stride() const { return mStride; }
    bool Indexed() const { return mBitsPerPixel != 24; }

    std::span<RgbQuad> ColourTable() { return mTable; }
    std::span<const RgbQuad> ColourTable() const { return mTable; }
    std::span<std::uint8_t> Bits() { return mBits; }
    std::span<const std::uint8_t> Bits() const { return mBits; }
    // The first byte of a stored row, 0 .. Height() - 1 from the bottom of the picture. A row outside the
    // bitmap stops the program (LEAFCAST_VERIFY), as do the pixel accessors below for a pixel outside it.
    std::uint8_t* MemoryRow(int memoryRow)
    {
        LEAFCAST_VERIFY(static_cast<unsigned>(memoryRow) < static_cast<unsigned>(mHeight));
        return RowAt(memoryRow);
    }
    const std::uint8_t* MemoryRow(int memoryRow) const
    {
        LEAFCAST_VERIFY(static_cast<unsigned>(memoryRow) < static_cast<unsigned>(mHeight));
        return RowAt(memoryRow);
    }

    // The stored value of a pixel: the table index, or blue | green << 8 | red << 16 at 24 bits.
    std::uint32_t RawPixel(int x, int y) const;
    void SetRawPixel(int x, int y, std::uint32_t value);

    // The colour of a pixel; an index past the colour table reads as black.
    RgbQuad Colour(int x, int y) const;

    // The picture turned a quarter turn clockwise as seen on a screen (the top row becomes the right-hand
    // column), written into destination, which is made anew only when it is missing or of another size or depth.
    void TurnClockwiseInto(std::optional<Bitmap>& destination) const;

private:
    Bitmap(int width, int height, int bitsPerPixel);

    // Unchecked, for callers that have checked the row or pixel already.
    std::uint8_t* RowAt(int memoryRow) { return mBits.data() + static_cast<std::size_t>(memoryRow) * mStride; }
    const std::uint8_t* RowAt(int memoryRow) const
    {
        return mBits.data() + static_cast<std::size_t>(memoryRow) * mStride;
    }
    bool Contains(int x, int y) const
    {
        return static_cast<unsigned>(x) < static_cast<unsigned>(mWidth) &&
               static_cast<unsigned>(y) < static_cast<unsigned>(mHeight);
    }

    int mWidth = 0;
    int mHeight = 0;
    int mBitsPerPixel = 24;
    int mStride = 0;
    std::vector<RgbQuad> mTable;
    std::vector<std::uint8_t, PrefaultingAllocator<std::uint8_t>> mBits;  // written whole as soon as made
};

// Copies a block of w × h pixels from (sx, sy) of src to (dx, dy) of dst, clipped to both bitmaps.
// Between bitmaps of different formats every pixel is converted: into a bitmap with a colour table it becomes
// the index of the nearest table entry, out of one it becomes the entry's colour. Source and destination
// may be the same bitmap.
void BitBlt(Bitmap& dst, int dx, int dy, int w, int h, const Bitmap& src, int sx, int sy);

// Every pixel of a 24-bit picture becomes the nearer of two colours, ties to the first: what a copy into a
// bitmap with this two-entry colour table and back would leave, without that bitmap. Other depths are left as
// they are.
void MapToTwoColours(Bitmap& picture, RgbQuad first, RgbQuad second);
