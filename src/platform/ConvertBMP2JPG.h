#pragma once

#include <string>

class Bitmap;

struct JpegResult {
    bool ok = false;
    // When not ok: the file concerned and the reason, ready to be shown to the user.
    std::string error;
};

// Every page is written the same way: a baseline JFIF JPEG with three components (YCbCr) and 4:2:0 subsampling,
// never progressive and never grayscale, because the decoders of older media players reject those.
// quality runs from 0 (smallest file) to 10 (best picture) and becomes JPEG quality 50 + 5 × quality; values
// outside the range are clamped. The file is written beside its destination under a temporary name and renamed
// into place, so an existing file of that name is replaced and a failed write leaves no partial page behind.
// Each thread keeps one encoder, so conversions on several threads at once are safe.

// Encodes the bitmap file at sourceBitmapPath (1, 4, 8 or 24 bits per pixel, uncompressed) as the JPEG file at
// destinationJpegPath. reserved is always 0 and is ignored.
JpegResult ConvertBMP2JPG(const std::string& sourceBitmapPath, const std::string& destinationJpegPath, int quality,
                          int reserved);

// The same for a bitmap in memory.
JpegResult EncodeJpegFile(const Bitmap& picture, const std::string& destinationJpegPath, int quality);
