#include "platform/ConvertBMP2JPG.h"

#include "base/AppError.h"
#include "imaging/Bitmap.h"
#include "imaging/BmpFile.h"
#include "base/FileBytes.h"
#include "base/SaveFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <turbojpeg.h>
#include <vector>

namespace {

template <int Bits>
unsigned IndexAt(const std::uint8_t* row, int x)
{
    if constexpr (Bits == 1)
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    else if constexpr (Bits == 4)
        return (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4u;
    else
        return row[x];
}

// Turns an indexed bitmap into packed red, green, blue rows, keeping the bottom-up row order.
template <int Bits>
void ExpandIndexed(const Bitmap& picture, std::vector<std::uint8_t>& rgb)
{
    // Indexes past the colour table read as black.
    std::array<std::array<std::uint8_t, 3>, 256> lookup{};
    const auto table = picture.ColourTable();
    for (std::size_t i = 0; i < std::min<std::size_t>(table.size(), lookup.size()); ++i)
        lookup[i] = {table[i].red, table[i].green, table[i].blue};

    const int width = picture.Width();
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    rgb.resize(rowBytes * static_cast<std::size_t>(picture.Height()));
    for (int row = 0; row < picture.Height(); ++row) {
        const std::uint8_t* in = picture.MemoryRow(row);
        std::uint8_t* out = rgb.data() + rowBytes * static_cast<std::size_t>(row);
        for (int x = 0; x < width; ++x, out += 3)
            std::memcpy(out, lookup[IndexAt<Bits>(in, x)].data(), 3);
    }
}

class Encoder {
public:
    Encoder() = default;
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    ~Encoder()
    {
        if (mJpeg)
            tjFree(mJpeg);
        if (mHandle)
            tjDestroy(mHandle);
    }

    // Encodes the picture into the encoder's buffer; answers the reason when it cannot.
    std::string Encode(const Bitmap& picture, int jpegQuality, std::span<const std::uint8_t>& jpeg)
    {
        if (!mHandle && !(mHandle = tjInitCompress()))
            return tjGetErrorStr2(nullptr);

        const int width = picture.Width(), height = picture.Height();
        const unsigned long needed = tjBufSize(width, height, TJSAMP_420);
        if (needed > mCapacity) {
            tjFree(mJpeg);
            mJpeg = tjAlloc(static_cast<int>(needed));
            mCapacity = mJpeg ? needed : 0;
            if (!mJpeg)
                return "out of memory";
        }

        // Bitmap rows are bottom-up; a 24-bit bitmap's blue, green, red rows go to the encoder as they are.
        const std::uint8_t* pixels = picture.Bits().data();
        int pitch = picture.Stride();
        int format = TJPF_BGR;
        if (picture.Indexed()) {
            switch (picture.BitsPerPixel()) {
            case 1: ExpandIndexed<1>(picture, mRgb); break;
            case 4: ExpandIndexed<4>(picture, mRgb); break;
            default: ExpandIndexed<8>(picture, mRgb); break;
            }
            pixels = mRgb.data();
            pitch = 3 * width;
            format = TJPF_RGB;
        }

        unsigned long size = mCapacity;
        if (tjCompress2(mHandle, pixels, width, pitch, height, format, &mJpeg, &size, TJSAMP_420, jpegQuality,
                        TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC) != 0)
            return tjGetErrorStr2(mHandle);
        jpeg = {mJpeg, size};
        return {};
    }

private:
    tjhandle mHandle = nullptr;
    unsigned char* mJpeg = nullptr;
    unsigned long mCapacity = 0;
    std::vector<std::uint8_t> mRgb;
};

} // namespace

Result<std::span<const std::uint8_t>> EncodeJpeg(const Bitmap& picture, int quality)
{
    thread_local Encoder encoder;
    const int jpegQuality = 50 + 5 * std::clamp(quality, 0, 10);
    std::span<const std::uint8_t> jpeg;
    if (std::string reason = encoder.Encode(picture, jpegQuality, jpeg); !reason.empty())
        return Error{std::move(reason), 0};
    return jpeg;
}

Result<void> EncodeJpegFile(const Bitmap& picture, const std::string& destinationJpegPath, int quality,
                            SaveFile::Target target, SaveFolder* folder)
{
    const auto jpeg = EncodeJpeg(picture, quality);
    if (!jpeg)
        return Error{"Cannot encode the JPEG file '" + destinationJpegPath + "': " + jpeg.Failure().message, 0};
    const std::string_view content(reinterpret_cast<const char*>(jpeg->data()), jpeg->size());
    if (auto saved = SaveWholeFile(destinationJpegPath, content, SaveFile::Durability::Unsynced, target, folder); !saved) {
        const int code = saved.Failure().code;
        return Error{"Cannot write the JPEG file '" + destinationJpegPath + "': " + SystemMessage(code), code};
    }
    return {};
}

Result<void> ConvertBMP2JPG(const std::string& sourceBitmapPath, const std::string& destinationJpegPath, int quality,
                            [[maybe_unused]] int reserved)
{
    const std::string cannotRead = "Cannot read the bitmap '" + sourceBitmapPath + "': ";
    const auto bytes = ReadWholeFile(sourceBitmapPath);
    if (!bytes)
        return Error{cannotRead + SystemMessage(bytes.Failure().code), bytes.Failure().code};
    std::optional<Bitmap> picture;
    try {
        picture = DecodeBitmap({reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()});
    } catch (const AppError& e) {
        return Error{cannotRead + e.Description(), 0};
    }
    return EncodeJpegFile(*picture, destinationJpegPath, quality);
}
