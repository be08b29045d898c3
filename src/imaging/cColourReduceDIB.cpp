#include "imaging/cColourReduceDIB.h"

#include "base/AppError.h"
#include "base/Rounding.h"
#include "imaging/cDIBSection.h"
#include "imaging/cPalette.h"

#include <algorithm>
#include <cstdlib>

namespace {

int Clamp(int value) { return std::clamp(value, 0, 255); }

void RequireCovers(const cDIBSection& from, const cDIBSection& to)
{
    if (!from.DIBSectionBitsPtr() || !to.DIBSectionBitsPtr() || from.Width() < to.Width() || from.Height() < to.Height())
        throw AppError(ErrorNumber::kSubscriptOutOfRange, ExecutableName() + ".cColourReduceDIB",
                       "Subscript out of range: the source surface is smaller than the target");
}

// Byte addressing of a surface as the scans use it: x a byte column, y a memory row from the bottom.
struct Pixels {
    std::uint8_t* bits;
    int stride;
    std::uint8_t* At(int x, int y) const { return bits + static_cast<std::size_t>(y) * stride + x; }
};

} // namespace

void cColourReduceDIB::GrayScale(cDIBSection& surface) const
{
    const Stopwatch clock;
    const int xEnd = (surface.Width() - 1) * 3;
    Events.RaiseInitProgress(xEnd);
    const Pixels px{surface.DIBSectionBitsPtr(), surface.BytesPerScanLine()};
    for (int x = 0; px.bits && x <= xEnd; x += 3) {
        for (int y = 0; y < surface.Height(); ++y) {
            std::uint8_t* p = px.At(x, y);
            const double grey = (222.0 * p[2] + 707.0 * p[1] + 71.0 * p[0]) / 1000.0;
            p[0] = p[1] = p[2] = static_cast<std::uint8_t>(RoundHalfEven(grey));
        }
        Events.RaiseProgress(x);
    }
    Events.RaiseComplete(clock.ElapsedMilliseconds());
}

void cColourReduceDIB::BlackAndWhite(cDIBSection& cFrom, cDIBSection& cTo) const
{
    const Stopwatch clock;
    RequireCovers(cFrom, cTo);
    GrayScale(cFrom);

    const int width = cTo.Width(), height = cTo.Height();
    const int xEnd = (width - 1) * 3;
    Events.RaiseInitProgress(xEnd);
    const Pixels from{cFrom.DIBSectionBitsPtr(), cFrom.BytesPerScanLine()};
    const Pixels to{cTo.DIBSectionBitsPtr(), cTo.BytesPerScanLine()};

    auto spread = [&](int x, int y, int error, int weight) {
        std::uint8_t* p = from.At(x, y);
        p[0] = p[1] = p[2] = static_cast<std::uint8_t>(Clamp(p[0] + error * weight / 16));
    };
    for (int x = 0; x <= xEnd; x += 3) {
        for (int y = 0; y < height; ++y) {
            const int v = from.At(x, y)[0];
            int error;
            std::uint8_t* out = to.At(x, y);
            if (v <= 128) {
                out[0] = out[1] = out[2] = 0;
                error = v > 16 ? v : 0;
            } else {
                out[0] = out[1] = out[2] = 255;
                error = 127 - v;  // a white pixel passes on 127 − v, not v − 255
            }
            if (x < xEnd - 3)
                spread(x + 3, y, error, 7);
            if (y < height - 1) {
                static constexpr int kBelow[3][2] = {{-3, 3}, {0, 5}, {3, 1}};
                for (const auto& [dx, weight] : kBelow)
                    if (0 < x + dx && x + dx < xEnd)
                        spread(x + dx, y + 1, error, weight);
            }
        }
        Events.RaiseProgress(x);
    }
    cFrom.LoadPictureBlt(cTo.hdc());
    Events.RaiseComplete(clock.ElapsedMilliseconds());
}

void cColourReduceDIB::ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal,
                                    bool bDiffuseError) const
{
    const Stopwatch clock;
    RequireCovers(cFrom, cTo);
    const int width = cTo.Width(), height = cTo.Height();
    const int xEnd = (width - 1) * 3;
    Events.RaiseInitProgress(xEnd);
    const Pixels from{cFrom.DIBSectionBitsPtr(), cFrom.BytesPerScanLine()};
    const Pixels to{cTo.DIBSectionBitsPtr(), cTo.BytesPerScanLine()};

    auto spread = [&](int x, int y, const int (&error)[3], int weight) {
        std::uint8_t* p = from.At(x, y);
        for (int c = 0; c < 3; ++c)
            p[c] = static_cast<std::uint8_t>(Clamp(p[c] + error[c] * weight / 16));
    };
    for (int x = 0; x <= xEnd; x += 3) {
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* source = from.At(x, y);
            const int blue = source[0], green = source[1], red = source[2];
            const int i = cPal.ClosestIndex(red, green, blue);
            std::uint8_t* out = to.At(x, y);
            out[0] = cPal.Blue(i);
            out[1] = cPal.Green(i);
            out[2] = cPal.Red(i);
            if (!bDiffuseError)
                continue;
            const int error[3] = {blue - out[0], green - out[1], red - out[2]};
            if (std::abs(error[0]) + std::abs(error[1]) + std::abs(error[2]) <= 3)
                continue;
            if (x < xEnd - 3)
                spread(x + 3, y, error, 7);
            // Of the row below only the pixel straight under this one receives a share.
            if (y < height - 1 && 0 < x && x < xEnd)
                spread(x, y + 1, error, 4);
        }
        Events.RaiseProgress(x);
    }
    cFrom.LoadPictureBlt(cTo.hdc());
    Events.RaiseComplete(clock.ElapsedMilliseconds());
}
