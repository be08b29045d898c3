#pragma once

#include "base/Result.h"

#include <cstdint>
#include <span>

class Bitmap;

// What a page's PNG holds.
enum class PngPixels {
    // One bit a pixel, greyscale (0 black, 1 white): every pixel the nearer of black and white, ties to black, as
    // the converter's one-bit bitmap of a black-and-white page holds it.
    BlackAndWhite,
    // The page's own colours, exactly: an 8-bit palette when it has at most 256 of them, else 8-bit RGB.
    Colour,
};

// Encodes a bitmap of any depth (1, 4, 8 or 24 bits) as a PNG with libpng, at its default compression and
// filters, without a time or any other chunk that would differ between two encodings of the same pixels. The bytes
// stay valid until the thread's next PNG encoding; a failure (no memory) says why, without a file name.
Result<std::span<const std::uint8_t>> EncodePng(const Bitmap& picture, PngPixels pixels);
