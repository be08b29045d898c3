#pragma once

#include <filesystem>
#include <string>
#include <vector>

// What PNG pages cost and weigh against what nothing can avoid, over the pages of one conversion.
struct PngFigures {
    int pages = 0;
    double oursSeconds = 0;   // CPU time of the program's PNG encoding of the pages
    double floorSeconds = 0;  // libpng alone encoding the same rows (bits, indexes or colours) at the same settings
    double pngBytes = 0, jpegBytes = 0;  // the pages as PNG, and as the JPEG the same settings give
    double largestShare = 0;             // the largest PNG page against its JPEG page
    int palettePages = 0;                // colour pages written with a palette
    int paletteLarger = 0;               // of those, pages that RGB would have made smaller
    bool ok = false;
};

// Converts the book with lstPageFormat=PNG and these settings in a child process, output in folder, and encodes
// every page it writes once more with the program's encoder, then with libpng from the rows that PNG holds, each
// straight after the run wrote it.
PngFigures MeasurePng(const std::string& book, const std::filesystem::path& folder, const std::vector<std::string>& sets);
