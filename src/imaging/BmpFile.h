#pragma once

#include "base/Result.h"
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

// Writes picture (1, 4, 8 or 24 bits per pixel) as a bitmap file in three writes: the file header, the info record
// (the header with the colour table of an indexed picture, biClrUsed 0) and the pixel rows as they lie in memory,
// bottom-up with their padding. The file goes through a SaveFile: a file of that name is replaced only by the
// complete new one, and a failed write leaves it as it was (no partial file) and answers why.
Result<void> SaveBitmap(const std::string& path, const Bitmap& picture);

// The writer behind SavePicture and cDIBSectionSave::Save: SaveBitmap, except that it raises error 17 with the
// given source and the system's message when the file cannot be created, and answers false when a write fails.
bool WriteBitmapFile(const std::string& path, const std::string& errorSource, const Bitmap& picture);

// Reads a bitmap file of 1, 4, 8 or 24 bits per pixel, uncompressed, with bottom-up or top-down rows.
// Raises error 53 when the file cannot be opened and 481 (invalid picture, with the reason) when it is not
// such a bitmap, is cut short, or declares sizes that do not fit the file. Never reads past the file's bytes.
Bitmap ReadBitmapFile(const std::string& path);
Bitmap DecodeBitmap(std::span<const std::uint8_t> bytes);
