// Writes one bitmap file of every depth the writer offers into a folder, and prints for each
// "file width height bits" so that a script can compare them with what an independent reader sees.
#include "TestSurface.h"
#include "imaging/cDIBSectionSave.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const int bitsOfDepth[] = {1, 4, 8, 24};
    for (const auto& [width, height] : {std::pair{320, 240}, std::pair{5, 3}, std::pair{101, 7}})
        for (int depth = 0; depth <= 3; ++depth)
            for (int method = 0; method <= 2; method += 2) {
                // Some of every kind of colour: a gradient with white and black bands.
                cDIBSection surface;
                surface.Create(width, height);
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) {
                        const int grey = x % 13 == 0 ? 0 : y % 10 == 0 ? 255 : -1;  // the black band crosses the white
                        std::uint8_t* p = PixelAt(surface, x, y);
                        p[0] = static_cast<std::uint8_t>(grey >= 0 ? grey : x * 255 / width);
                        p[1] = static_cast<std::uint8_t>(grey >= 0 ? grey : y * 255 / height);
                        p[2] = static_cast<std::uint8_t>(grey >= 0 ? grey : (x + y) % 256);
                    }
                cDIBSectionSave writer;
                writer.ColourDepth(depth);
                writer.ReductionMethod(method);
                writer.Convert(surface);
                char name[4096];
                std::snprintf(name, sizeof name, "%s/sample_%dx%d_d%d_m%d.bmp", argv[1], width, height, depth, method);
                if (!writer.Save(name)) {
                    std::fprintf(stderr, "cannot write %s\n", name);
                    return 1;
                }
                std::printf("%s %d %d %d\n", name, width, height, bitsOfDepth[depth]);
            }
    return 0;
}
