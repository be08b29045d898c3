#pragma once

#include "base/Result.h"
#include "base/SaveFile.h"

#include <cstdint>
#include <span>
#include <string>

class Bitmap;

// Every page is written the same way: a baseline JFIF JPEG with three components (YCbCr) and 4:2:0 subsampling,
// never progressive and never grayscale, because the decoders of older media players reject those.
// quality runs from 0 (smallest file) to 10 (best picture) and becomes JPEG quality 50 + 5 × quality; values
// outside the range are clamped. The file is written through a SaveFile (unsynced, as a page is easily made
// again), so an existing file of that name is replaced and a failed write leaves no partial page behind.
// Each thread keeps one encoder, so conversions on several threads at once are safe. A failure names the file
// concerned and the reason.

// Encodes the bitmap file at sourceBitmapPath (1, 4, 8 or 24 bits per pixel, uncompressed) as the JPEG file at
// destinationJpegPath. reserved is always 0 and is ignored.
Result<void> ConvertBMP2JPG(const std::string& sourceBitmapPath, const std::string& destinationJpegPath, int quality,
                            int reserved);

// Encodes a bitmap in memory; the bytes stay valid until the thread's next JPEG encoding. A failure says why,
// without a file name.
Result<std::span<const std::uint8_t>> EncodeJpeg(const Bitmap& picture, int quality);

// Encodes a bitmap in memory into a file. A page, named by the program in its output folder, is written with
// SaveFile::Target::OwnName, through the folder the run holds.
Result<void> EncodeJpegFile(const Bitmap& picture, const std::string& destinationJpegPath, int quality,
                            SaveFile::Target target = SaveFile::Target::LookFirst, SaveFolder* folder = nullptr);
