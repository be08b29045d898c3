#include "imaging/Bitmap.h"

#include <algorithm>
#include <cstring>

int NearestColourIndex(std::span<const RgbQuad> table, int red, int green, int blue)
{
    int best = -1;
    long bestDistance = 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const long dr = red - table[i].red, dg = green - table[i].green, db = blue - table[i].blue;
        const long distance = dr * dr + dg * dg + db * db;
        if (best < 0 || distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
            if (distance == 0)
                break;
        }
    }
    return best;
}

int Bitmap::StrideFor(int width, int bitsPerPixel)
{
    return static_cast<int>((static_cast<long long>(width) * bitsPerPixel + 31) / 32 * 4);
}

std::optional<Bitmap> Bitmap::Make(int width, int height, int bitsPerPixel)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return std::nullopt;
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24)
        return std::nullopt;
    return Bitmap(width, height, bitsPerPixel);
}

Bitmap::Bitmap(int width, int height, int bitsPerPixel)
    : mWidth(width), mHeight(height), mBitsPerPixel(bitsPerPixel), mStride(StrideFor(width, bitsPerPixel)),
      mTable(bitsPerPixel == 24 ? 0 : std::size_t{1} << bitsPerPixel),
      mBits(static_cast<std::size_t>(mStride) * height)
{
}

std::uint32_t Bitmap::RawPixel(int x, int y) const
{
    LEAFCAST_VERIFY(Contains(x, y));
    const std::uint8_t* row = RowAt(mHeight - 1 - y);
    switch (mBitsPerPixel) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
        return (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
    case 8:
        return row[x];
    default: {
        return PackedBgr(row + 3 * x);
    }
    }
}

void Bitmap::SetRawPixel(int x, int y, std::uint32_t value)
{
    LEAFCAST_VERIFY(Contains(x, y));
    std::uint8_t* row = RowAt(mHeight - 1 - y);
    switch (mBitsPerPixel) {
    case 1: {
        const std::uint8_t mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
        row[x >> 3] = (value & 1u) ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask);
        break;
    }
    case 4:
        if (x & 1)
            row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & 0xF0u) | (value & 0x0Fu));
        else
            row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & 0x0Fu) | ((value & 0x0Fu) << 4));
        break;
    case 8:
        row[x] = static_cast<std::uint8_t>(value);
        break;
    default: {
        std::uint8_t* p = row + 3 * x;
        p[0] = static_cast<std::uint8_t>(value);
        p[1] = static_cast<std::uint8_t>(value >> 8);
        p[2] = static_cast<std::uint8_t>(value >> 16);
    }
    }
}

RgbQuad Bitmap::Colour(int x, int y) const
{
    const std::uint32_t raw = RawPixel(x, y);
    if (!Indexed())
        return {static_cast<std::uint8_t>(raw), static_cast<std::uint8_t>(raw >> 8), static_cast<std::uint8_t>(raw >> 16), 0};
    return raw < mTable.size() ? mTable[raw] : RgbQuad{};
}

void Bitmap::TurnClockwiseInto(std::optional<Bitmap>& destination) const
{
    if (!destination || destination->Width() != mHeight || destination->Height() != mWidth ||
        destination->BitsPerPixel() != mBitsPerPixel)
        destination = Bitmap(mHeight, mWidth, mBitsPerPixel);
    std::ranges::copy(mTable, destination->mTable.begin());
    // Turned pixel (x, y) is source pixel (y, height - 1 - x): in memory, turned row y gathers column y of the
    // source's memory rows in order, as memory rows are bottom-up in both.
    Bitmap& turned = *destination;
    if (mBitsPerPixel == 24) {
        // Source rows are read straight through; each gives one column of the turned picture.
        const std::ptrdiff_t down = -static_cast<std::ptrdiff_t>(turned.mStride);
        for (int x = 0; x < turned.mWidth; ++x) {
            const std::uint8_t* in = MemoryRow(x);
            std::uint8_t* out = turned.MemoryRow(turned.mHeight - 1) + 3 * static_cast<std::size_t>(x);
            // Four bytes at a time where the byte after the pixel is one still to be written, the next
            // column's, and one that may be read, the next pixel's of the same row.
            const int wide = x + 1 < turned.mWidth ? turned.mHeight - 1 : 0;
            int y = 0;
            for (; y < wide; ++y, in += 3, out += down)
                std::memcpy(out, in, 4);
            for (; y < turned.mHeight; ++y, in += 3, out += down)
                out[0] = in[0], out[1] = in[1], out[2] = in[2];
        }
        return;
    }
    for (int y = 0; y < turned.mHeight; ++y)
        for (int x = 0; x < turned.mWidth; ++x)
            turned.SetRawPixel(x, y, RawPixel(y, mHeight - 1 - x));
}

namespace {

// True when the second of two colours is the nearer one to a pixel's blue, green and red (ties to the first).
bool SecondIsNearer(const std::uint8_t* bgr, RgbQuad first, RgbQuad second)
{
    auto squared = [](int d) { return d * d; };
    const int d0 = squared(bgr[0] - first.blue) + squared(bgr[1] - first.green) + squared(bgr[2] - first.red);
    const int d1 = squared(bgr[0] - second.blue) + squared(bgr[1] - second.green) + squared(bgr[2] - second.red);
    return d1 < d0;
}

// Clips the copy rectangle to both bitmaps; answers false when nothing is left to copy.
bool ClipBlock(const Bitmap& dst, int& dx, int& dy, int& w, int& h, const Bitmap& src, int& sx, int& sy)
{
    auto clipAxis = [](int& d, int& s, int& extent, int dLimit, int sLimit) {
        if (d < 0) { s -= d; extent += d; d = 0; }
        if (s < 0) { d -= s; extent += s; s = 0; }
        extent = std::min({extent, dLimit - d, sLimit - s});
        return extent > 0;
    };
    return clipAxis(dx, sx, w, dst.Width(), src.Width()) && clipAxis(dy, sy, h, dst.Height(), src.Height());
}

// One row of pixels as blue, green, red triples.
void ReadRow(const Bitmap& src, int y, int x0, int w, std::uint8_t* bgr)
{
    const std::uint8_t* row = src.MemoryRow(src.Height() - 1 - y);
    if (!src.Indexed()) {
        std::memcpy(bgr, row + 3 * x0, static_cast<std::size_t>(w) * 3);
        return;
    }
    const auto table = src.ColourTable();
    auto put = [&](unsigned index) {
        const RgbQuad c = index < table.size() ? table[index] : RgbQuad{};
        bgr[0] = c.blue, bgr[1] = c.green, bgr[2] = c.red;
        bgr += 3;
    };
    switch (src.BitsPerPixel()) {
    case 8:
        for (int x = x0; x < x0 + w; ++x)
            put(row[x]);
        break;
    case 4:
        for (int x = x0; x < x0 + w; ++x)
            put(x & 1 ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4);
        break;
    default: {
        const RgbQuad colours[2] = {table[0], table[1]};
        for (int x = x0; x < x0 + w; ++x) {
            const RgbQuad& c = colours[(row[x >> 3] >> (7 - (x & 7))) & 1u];
            bgr[0] = c.blue, bgr[1] = c.green, bgr[2] = c.red;
            bgr += 3;
        }
    }
    }
}

// Writes blue, green, red triples into one row, mapping them onto the colour table of an indexed bitmap.
void WriteRow(Bitmap& dst, int y, int x0, int w, const std::uint8_t* bgr)
{
    std::uint8_t* row = dst.MemoryRow(dst.Height() - 1 - y);
    if (!dst.Indexed()) {
        std::memcpy(row + 3 * x0, bgr, static_cast<std::size_t>(w) * 3);
        return;
    }
    // Pages hold few distinct colours, so remembering the last conversion saves most table searches.
    std::uint32_t lastColour = 0xFFFFFFFFu;
    unsigned lastIndex = 0;
    auto indexOf = [&](const std::uint8_t* p) {
        const std::uint32_t colour = PackedBgr(p);
        if (colour != lastColour) {
            lastColour = colour;
            lastIndex = static_cast<unsigned>(std::max(0, NearestColourIndex(dst.ColourTable(), p[2], p[1], p[0])));
        }
        return lastIndex;
    };
    switch (dst.BitsPerPixel()) {
    case 8:
        for (int x = x0; x < x0 + w; ++x, bgr += 3)
            row[x] = static_cast<std::uint8_t>(indexOf(bgr));
        break;
    case 4:
        for (int x = x0; x < x0 + w; ++x, bgr += 3) {
            std::uint8_t& b = row[x >> 1];
            const unsigned index = indexOf(bgr);
            b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0u) | index) : static_cast<std::uint8_t>((b & 0x0Fu) | (index << 4));
        }
        break;
    default: {
        // Two entries: the nearer one by the same measure, ties to entry 0, without a table search per pixel.
        const RgbQuad t0 = dst.ColourTable()[0], t1 = dst.ColourTable()[1];
        std::uint32_t lastColour = 0xFFFFFFFFu;
        unsigned lastBit = 0;
        auto bitOf = [&](const std::uint8_t* p) {
            const std::uint32_t colour = PackedBgr(p);
            if (colour != lastColour) {
                lastColour = colour;
                lastBit = SecondIsNearer(p, t0, t1) ? 1u : 0u;
            }
            return lastBit;
        };
        auto putBit = [&](int x) {
            const std::uint8_t mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
            row[x >> 3] = bitOf(bgr) ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask);
            bgr += 3;
        };
        // Whole bytes are made eight pixels at a time; only a byte at either end of the block may hold pixels
        // outside it.
        const int end = x0 + w;
        int x = x0;
        for (; x < end && (x & 7) != 0; ++x)
            putBit(x);
        for (; x + 8 <= end; x += 8) {
            unsigned byte = 0;
            for (int k = 0; k < 8; ++k, bgr += 3)
                byte = byte << 1 | bitOf(bgr);
            row[x >> 3] = static_cast<std::uint8_t>(byte);
        }
        for (; x < end; ++x)
            putBit(x);
    }
    }
}

} // namespace

void BitBlt(Bitmap& dst, int dx, int dy, int w, int h, const Bitmap& src, int sx, int sy)
{
    if (&dst == &src) {
        const Bitmap copy = src;
        BitBlt(dst, dx, dy, w, h, copy, sx, sy);
        return;
    }
    if (!ClipBlock(dst, dx, dy, w, h, src, sx, sy))
        return;

    const bool sameFormat = dst.BitsPerPixel() == src.BitsPerPixel() &&
                            (!dst.Indexed() || std::ranges::equal(dst.ColourTable(), src.ColourTable(),
                                                                  [](auto& a, auto& b) { return a.SameColour(b); }));
    if (sameFormat && dst.BitsPerPixel() >= 8) {
        const int bytesPerPixel = dst.BitsPerPixel() / 8;
        for (int row = 0; row < h; ++row) {
            const std::uint8_t* from = src.MemoryRow(src.Height() - 1 - (sy + row)) + sx * bytesPerPixel;
            std::uint8_t* to = dst.MemoryRow(dst.Height() - 1 - (dy + row)) + dx * bytesPerPixel;
            std::memcpy(to, from, static_cast<std::size_t>(w) * bytesPerPixel);
        }
        return;
    }

    if (sameFormat) {
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < w; ++col)
                dst.SetRawPixel(dx + col, dy + row, src.RawPixel(sx + col, sy + row));
        return;
    }
    thread_local std::vector<std::uint8_t> bgr;
    bgr.resize(static_cast<std::size_t>(w) * 3);
    for (int row = 0; row < h; ++row) {
        ReadRow(src, sy + row, sx, w, bgr.data());
        WriteRow(dst, dy + row, dx, w, bgr.data());
    }
}

void MapToTwoColours(Bitmap& picture, RgbQuad first, RgbQuad second)
{
    if (picture.Indexed())
        return;
    const std::uint32_t firstColour = first.Packed(), secondColour = second.Packed();
    // Eight pixels are 24 bytes, three 64-bit words: a run of eight pixels of either colour is already what it
    // maps to, and a page is mostly such runs.
    std::uint64_t runs[2][3];
    for (int k = 0; k < 2; ++k) {
        std::uint8_t bytes[24];
        for (int i = 0; i < 8; ++i)
            std::memcpy(bytes + 3 * i, k == 0 ? &first : &second, 3);
        std::memcpy(runs[k], bytes, sizeof bytes);
    }
    const int width = picture.Width();
    for (int row = 0; row < picture.Height(); ++row) {
        std::uint8_t* p = picture.MemoryRow(row);
        std::uint32_t lastColour = firstColour;
        const RgbQuad* lastMapped = &first;
        for (int x = 0; x < width;) {
            if (x + 8 <= width) {
                std::uint64_t words[3];
                std::memcpy(words, p, sizeof words);
                const bool firstRun = words[0] == runs[0][0] && words[1] == runs[0][1] && words[2] == runs[0][2];
                if (firstRun || (words[0] == runs[1][0] && words[1] == runs[1][1] && words[2] == runs[1][2])) {
                    x += 8, p += 24;
                    continue;
                }
            }
            const std::uint32_t colour = PackedBgr(p);
            if (colour != firstColour && colour != secondColour) {
                if (colour != lastColour) {
                    lastColour = colour;
                    lastMapped = SecondIsNearer(p, first, second) ? &second : &first;
                }
                p[0] = lastMapped->blue, p[1] = lastMapped->green, p[2] = lastMapped->red;
            }
            ++x, p += 3;
        }
    }
}
