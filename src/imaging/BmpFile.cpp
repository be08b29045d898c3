#include "imaging/BmpFile.h"

#include "base/AppError.h"
#include "base/FileBytes.h"
#include "base/SaveFile.h"

#include <cerrno>

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}

std::uint32_t Get16(std::span<const std::uint8_t> b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at)
{
    return Get16(b, at) | (Get16(b, at + 2) << 16);
}

// The three parts of the bitmap file of picture go through file, which is committed when all are written.
Result<void> WriteParts(SaveFile& file, const Bitmap& picture)
{
    const BitmapInfoHeader header = MakeInfoHeader(picture.Width(), picture.Height(), picture.BitsPerPixel());
    const std::vector<std::uint8_t> info = InfoRecordBytes(header, picture.ColourTable());
    const auto offBits = static_cast<std::uint32_t>(kFileHeaderBytes + info.size());
    const std::vector<std::uint8_t> fileHeader = FileHeaderBytes(header.biSizeImage + offBits, offBits);
    for (std::span<const std::uint8_t> part : {std::span<const std::uint8_t>(fileHeader), std::span(info), picture.Bits()})
        if (auto written = file.Write(part); !written)
            return written;
    return file.Commit();
}

[[noreturn]] void Invalid(const std::string& reason)
{
    throw AppError(ErrorNumber::kInvalidPicture, ExecutableName() + ".ReadBitmap", "Invalid picture: " + reason);
}

} // namespace

BitmapInfoHeader MakeInfoHeader(int width, int height, int bitsPerPixel)
{
    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = static_cast<std::uint16_t>(bitsPerPixel);
    header.biSizeImage = static_cast<std::uint32_t>(Bitmap::StrideFor(width, bitsPerPixel)) * static_cast<std::uint32_t>(height);
    return header;
}

std::vector<std::uint8_t> FileHeaderBytes(std::uint32_t fileSize, std::uint32_t offBits)
{
    std::vector<std::uint8_t> out{'B', 'M'};
    Put32(out, fileSize);  // bfSize
    Put16(out, 0);         // bfReserved1
    Put16(out, 0);         // bfReserved2
    Put32(out, offBits);   // bfOffBits
    return out;
}

std::vector<std::uint8_t> InfoRecordBytes(const BitmapInfoHeader& h, std::span<const RgbQuad> colourTable)
{
    std::vector<std::uint8_t> out;
    out.reserve(kInfoHeaderBytes + 4 * colourTable.size());
    Put32(out, static_cast<std::uint32_t>(h.biSize));
    Put32(out, static_cast<std::uint32_t>(h.biWidth));
    Put32(out, static_cast<std::uint32_t>(h.biHeight));
    Put16(out, h.biPlanes);
    Put16(out, h.biBitCount);
    Put32(out, h.biCompression);
    Put32(out, h.biSizeImage);
    Put32(out, static_cast<std::uint32_t>(h.biXPelsPerMeter));
    Put32(out, static_cast<std::uint32_t>(h.biYPelsPerMeter));
    Put32(out, h.biClrUsed);
    Put32(out, h.biClrImportant);
    for (const RgbQuad& q : colourTable)
        out.insert(out.end(), {q.blue, q.green, q.red, 0});
    return out;
}

Result<void> SaveBitmap(const std::string& path, const Bitmap& picture)
{
    auto file = SaveFile::Open(path);
    if (!file)
        return file.Failure();
    return WriteParts(*file, picture);
}

bool WriteBitmapFile(const std::string& path, const std::string& errorSource, const Bitmap& picture)
{
    auto file = SaveFile::Open(path);
    if (!file)
        throw AppError(ErrorNumber::kCannotCreateFile, errorSource, SystemMessage(file.Failure().code));
    return static_cast<bool>(WriteParts(*file, picture));
}

Bitmap ReadBitmapFile(const std::string& path)
{
    const auto bytes = ReadWholeFile(path);
    if (!bytes) {
        const int code = bytes.Failure().code;
        throw AppError(code == ENOENT ? ErrorNumber::kFileNotFound : ErrorNumber::kPathFileAccess,
                       ExecutableName() + ".ReadBitmap", SystemMessage(code) + ": " + path);
    }
    return DecodeBitmap({reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()});
}

Bitmap DecodeBitmap(std::span<const std::uint8_t> b)
{
    if (b.size() < kFileHeaderBytes + 12 || b[0] != 'B' || b[1] != 'M')
        Invalid("not a BMP file");
    const std::uint32_t offBits = Get32(b, 10);
    const std::uint32_t headerSize = Get32(b, 14);
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        Invalid("unknown header size " + std::to_string(headerSize));
    if (kFileHeaderBytes + headerSize > b.size())
        Invalid("the file ends inside its header");

    const bool core = headerSize == 12;
    long long width, height;
    std::uint32_t bitCount, compression = 0, colours = 0;
    if (core) {
        width = Get16(b, 18);
        height = Get16(b, 20);
        bitCount = Get16(b, 24);
    } else {
        width = static_cast<std::int32_t>(Get32(b, 18));
        height = static_cast<std::int32_t>(Get32(b, 22));
        bitCount = Get16(b, 28);
        compression = Get32(b, 30);
        colours = Get32(b, 46);
    }
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width < 1 || height < 1 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide)
        Invalid("unsupported size " + std::to_string(width) + " x " + std::to_string(height));
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)
        Invalid("unsupported depth of " + std::to_string(bitCount) + " bits per pixel");
    if (compression != 0)
        Invalid("compressed bitmaps are not supported");

    const long long stride = Bitmap::StrideFor(static_cast<int>(width), static_cast<int>(bitCount));
    if (offBits < kFileHeaderBytes + headerSize || offBits > b.size() ||
        static_cast<unsigned long long>(stride * height) > b.size() - offBits)
        Invalid("the pixel data does not fit the file");

    Bitmap bitmap = *Bitmap::Make(static_cast<int>(width), static_cast<int>(height), static_cast<int>(bitCount));
    if (bitmap.Indexed()) {
        const std::size_t tableSize = bitmap.ColourTable().size();
        if (colours > tableSize)
            Invalid("a colour table of " + std::to_string(colours) + " entries at " + std::to_string(bitCount) + " bits");
        const std::size_t entryBytes = core ? 3 : 4;
        const std::size_t tableStart = kFileHeaderBytes + headerSize;
        // Entries that the file does not hold before its pixels stay black.
        const std::size_t declared = colours ? colours : tableSize;
        const std::size_t present = std::min(declared, (offBits - tableStart) / entryBytes);
        for (std::size_t i = 0; i < present; ++i) {
            const std::size_t at = tableStart + i * entryBytes;
            bitmap.ColourTable()[i] = RgbQuad{b[at], b[at + 1], b[at + 2], 0};
        }
    }
    for (long long row = 0; row < height; ++row) {
        const std::uint8_t* from = b.data() + offBits + row * stride;
        const int memoryRow = static_cast<int>(topDown ? height - 1 - row : row);
        std::copy(from, from + stride, bitmap.MemoryRow(memoryRow));
    }
    return bitmap;
}
