#include "imaging/cDIBSection.h"

#include "base/AppError.h"
#include "base/Rounding.h"
#include "base/HostHooks.h"

#include <algorithm>
#include <cmath>
#include <chrono>
#include <random>

bool cDIBSection::CopyToClipboard(bool bAsDIB)
{
    if (!mDib)
        return false;
    if (bAsDIB) {
        ShowHostMessage("I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!");
        return false;
    }
    ClipboardHook* clipboard = CurrentClipboard();
    if (!clipboard)
        return false;
    auto copy = Bitmap::Make(Width(), Height(), 24);
    if (!copy)
        return false;
    PaintPicture(&*copy);
    return clipboard->SetBitmap(*copy);
}

void cDIBSection::CreateFromPicture(const Bitmap& picThis)
{
    if (Create(picThis.Width(), picThis.Height()))
        LoadPictureBlt(&picThis);
}

bool cDIBSection::Create(int lWidth, int lheight)
{
    ClearUp();
    mHeader = MakeInfoHeader(lWidth, lheight, 24);
    auto bitmap = Bitmap::Make(lWidth, lheight, 24);
    if (!bitmap)
        return false;
    mDib = std::make_unique<Bitmap>(std::move(*bitmap));
    return true;
}

int cDIBSection::BytesPerScanLine() const { return (Width() * 3 + 3) & ~3; }

void cDIBSection::LoadPictureBlt(const Bitmap* lHDC)
{
    if (mDib && lHDC)
        BitBlt(*mDib, 0, 0, Width(), Height(), *lHDC, 0, 0);
}

void cDIBSection::PaintPicture(Bitmap* lHDC) const
{
    if (mDib && lHDC)
        BitBlt(*lHDC, 0, 0, Width(), Height(), *mDib, 0, 0);
}

void cDIBSection::RandomiseBits(bool bGray)
{
    if (!mDib)
        return;
    std::mt19937 generator(static_cast<unsigned>(std::random_device{}()) ^
                           static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    auto randomByte = [&] { return static_cast<std::uint8_t>(RoundHalfEven(uniform(generator) * 255)); };

    std::uint8_t* bits = DIBSectionBitsPtr();
    const int stride = BytesPerScanLine();
    const int xEnd = (Width() - 1) * 3;
    if (!bGray) {
        for (int x = 0; x <= xEnd; x += 3) {
            for (int y = 0; y < Height(); ++y) {
                std::uint8_t* p = bits + static_cast<std::size_t>(y) * stride + x;
                p[0] = 0;
                p[1] = randomByte();
                p[2] = randomByte();
            }
        }
    } else {
        for (int y = 0; y < Height(); ++y) {
            for (int x = 0; x <= xEnd; x += 3) {
                std::uint8_t* p = bits + static_cast<std::size_t>(y) * stride + x;
                p[0] = p[1] = p[2] = randomByte();
            }
        }
    }
}

void cDIBSection::ClearUp() { mDib.reset(); }

std::unique_ptr<cDIBSection> cDIBSection::Resample(int lNewHeight, int lNewWidth) const
{
    auto target = std::make_unique<cDIBSection>();
    if (!target->Create(lNewWidth, lNewHeight))
        return nullptr;
    if (lNewWidth == Width() && lNewHeight == Height())
        target->LoadPictureBlt(hdc());
    else
        ResampleBilinear(*target);
    return target;
}

void cDIBSection::ResampleBilinear(cDIBSection& target) const
{
    const int sourceWidth = Width(), sourceHeight = Height();
    if (!mDib)
        throw AppError(ErrorNumber::kSubscriptOutOfRange, ExecutableName() + ".cDIBSection256", "Subscript out of range");
    const float xScale = static_cast<float>(static_cast<double>(sourceWidth - 1) / target.Width());
    const float yScale = static_cast<float>(static_cast<double>(sourceHeight - 1) / target.Height());
    const std::uint8_t* from = DIBSectionBitsPtr();
    std::uint8_t* to = target.DIBSectionBitsPtr();
    const int fromStride = BytesPerScanLine(), toStride = target.BytesPerScanLine();

    for (int y = 0; y < target.Height(); ++y) {
        const float yS = yScale * static_cast<float>(y);
        const int yI = static_cast<int>(std::floor(yS));
        const float yF = yS - static_cast<float>(yI);
        for (int x = 0; x < target.Width(); ++x) {
            const float xS = xScale * static_cast<float>(x);
            const int xI = static_cast<int>(std::floor(xS));
            const float xF = xS - static_cast<float>(xI);
            // The 2 × 2 neighbourhood must exist; a 1-pixel-wide or -high source has none.
            if (xI + 1 >= sourceWidth || yI + 1 >= sourceHeight)
                throw AppError(ErrorNumber::kSubscriptOutOfRange, ExecutableName() + ".cDIBSection256",
                               "Subscript out of range");
            const std::uint8_t* lower = from + static_cast<std::size_t>(yI) * fromStride + 3 * xI;
            const std::uint8_t* upper = lower + fromStride;
            std::uint8_t* out = to + static_cast<std::size_t>(y) * toStride + 3 * x;
            for (int c = 0; c < 3; ++c) {
                const long left = RoundHalfEven((1 - yF) * lower[c] + yF * upper[c]);
                const long right = RoundHalfEven((1 - yF) * lower[c + 3] + yF * upper[c + 3]);
                const long value = RoundHalfEven((1 - xF) * left + xF * right);
                out[c] = static_cast<std::uint8_t>(std::clamp(value, 0L, 255L));
            }
        }
    }
}

bool cDIBSection::SavePicture(const std::string& sFileName) const
{
    return mDib && WriteBitmapFile(sFileName, ExecutableName() + ".cDIBSection256", *mDib);
}

std::string cDIBSection::ApiError(int e) { return SystemMessage(e); }
