// Writes one bitmap file of every depth the writer offers into a folder, and prints for each
// "file width height bits" so that a script can compare them with what an independent reader sees.
#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionSave.h"

#include <cstdio>
#include <string>

namespace {

// A picture with some of every kind of colour: a gradient with a white band and a black band.
void Paint(cDIBSection& surface)
{
    std::uint8_t* bits = surface.DIBSectionBitsPtr();
    for (int y = 0; y < surface.Height(); ++y) {
        for (int x = 0; x < surface.Width(); ++x) {
            std::uint8_t* p = bits + static_cast<std::size_t>(y) * surface.BytesPerScanLine() + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 255 / surface.Width());
            p[1] = static_cast<std::uint8_t>(y * 255 / surface.Height());
            p[2] = static_cast<std::uint8_t>((x + y) % 256);
            if (y % 10 == 0)
                p[0] = p[1] = p[2] = 255;
            if (x % 13 == 0)
                p[0] = p[1] = p[2] = 0;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const int sizes[][2] = {{320, 240}, {5, 3}, {101, 7}};
    const int bitsOfDepth[] = {1, 4, 8, 24};
    for (const auto& [width, height] : sizes) {
        for (int depth = 0; depth <= 3; ++depth) {
            for (int method = 0; method <= 2; method += 2) {
                cDIBSection surface;
                surface.Create(width, height);
                Paint(surface);
                cDIBSectionSave writer;
                writer.ColourDepth(depth);
                writer.ReductionMethod(method);
                writer.Convert(surface);
                const std::string name = folder + "/sample_" + std::to_string(width) + "x" + std::to_string(height) +
                                         "_d" + std::to_string(depth) + "_m" + std::to_string(method) + ".bmp";
                if (!writer.Save(name)) {
                    std::fprintf(stderr, "cannot write %s\n", name.c_str());
                    return 1;
                }
                std::printf("%s %d %d %d\n", name.c_str(), width, height, bitsOfDepth[depth]);
            }
        }
    }
    return 0;
}
