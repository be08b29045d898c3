#pragma once

#include <cstdint>
#include <png.h>
#include <string_view>
#include <vector>

// A PNG decoded with libpng for tests: its header as the file states it and its pixels as red, green, blue rows,
// top-down. width is 0 when libpng cannot read it.
struct PngRead {
    int width = 0, height = 0, bitDepth = 0, colourType = -1;
    std::vector<std::uint8_t> rgb;

    explicit PngRead(std::string_view bytes)
    {
        // The header chunk comes first: its data starts after the 8-byte signature, the length and the type.
        if (bytes.size() < 33)
            return;
        bitDepth = static_cast<std::uint8_t>(bytes[24]);
        colourType = static_cast<std::uint8_t>(bytes[25]);
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
            return;
        image.format = PNG_FORMAT_RGB;
        rgb.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
            return;
        width = static_cast<int>(image.width), height = static_cast<int>(image.height);
    }

    // Red, green and blue of the pixel at (x, y) as one value: red << 16 | green << 8 | blue.
    std::uint32_t At(int x, int y) const
    {
        const std::uint8_t* p = rgb.data() + 3 * (static_cast<std::size_t>(y) * width + x);
        return p[0] << 16 | p[1] << 8 | p[2];
    }
};
