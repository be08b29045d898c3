#pragma once

#include "imaging/Bitmap.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The 40-byte BITMAPINFOHEADER, as it is written to a bitmap file.
struct BitmapInfoHeader {
    std::int32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 24;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;

// The header of a bottom-up bitmap of the given size and depth, with biSizeImage filled in.
BitmapInfoHeader MakeInfoHeader(int width, int height, int bitsPerPixel);

// The 14-byte BITMAPFILEHEADER: "BM", the file size, two reserved zeros, the offset of the pixels.
std::vector<std::uint8_t> FileHeaderBytes(std::uint32_t fileSize, std::uint32_t offBits);

// The info record: the 40-byte header followed by the colour table as blue, green, red, 0 quads.
std::vector<std::uint8_t> InfoRecordBytes(const BitmapInfoHeader& header, std::span<const RgbQuad> colourTable = {});

// True unless the write reported success and wrote every byte it was asked to.
bool WriteFailed(bool succeeded, std::size_t bytesAsked, std::size_t bytesWritten);

// Writes a bitmap file in three writes (file header, info record, pixel block), replacing any file of that name.
// Raises error 17 with the given source and the system's message when the file cannot be created; nothing
// is written then. A failed or short write stops the writing, keeps what was written and answers false.
bool WriteBitmapFile(const std::string& path, const std::string& errorSource, std::span<const std::uint8_t> fileHeader,
                     std::span<const std::uint8_t> infoRecord, std::span<const std::uint8_t> pixels);

// Writes a 24-bit bitmap as a file with a 54-byte header part, as WriteBitmapFile does.
bool WriteBitmap24(const std::string& path, const std::string& errorSource, const Bitmap& picture);

// Reads a bitmap file of 1, 4, 8 or 24 bits per pixel, uncompressed, with bottom-up or top-down rows.
// Raises error 53 when the file cannot be opened and 481 (invalid picture, with the reason) when it is not
// such a bitmap, is cut short, or declares sizes that do not fit the file. Never reads past the file's bytes.
Bitmap ReadBitmapFile(const std::string& path);
Bitmap DecodeBitmap(std::span<const std::uint8_t> bytes);
