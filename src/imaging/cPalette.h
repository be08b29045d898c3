#pragma once

#include "imaging/Bitmap.h"
#include "imaging/ProgressEvents.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class cDIBSection;

// One palette entry in the platform's order: red, green, blue, flags (always 0 here).
struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;
};

static_assert(sizeof(PaletteEntry) == 4, "palette files hold entries as four bytes");

// A platform palette object: a fixed copy of the entries with the platform's nearest-entry search.
class PlatformPalette {
public:
    explicit PlatformPalette(const std::vector<PaletteEntry>& entries);
    // The nearest entry, counted from 0, for a colour packed as red + 256 × green + 65536 × blue.
    int NearestIndex(std::uint32_t colour) const;

private:
    std::vector<RgbQuad> mTable;
};

// An ordered list of colours numbered from 1, with fixed generators, a nearest-colour lookup, two file forms
// and the optimal palette of a picture (octree quantisation).
class cPalette {
public:
    void CreatehPalette();
    // The number of the nearest entry; 0 when no entry is closer than 765 (the far corner of the cube).
    int ClosestIndex(int red, int green, int blue) const;
    void Add(std::uint8_t Red, std::uint8_t Green, std::uint8_t Blue);
    int Count() const { return static_cast<int>(mEntries.size()); }
    // A channel of entry iIndex (1 .. Count); raises error 9 outside that range.
    std::uint8_t Red(int iIndex) const { return Entry(iIndex).red; }
    std::uint8_t Green(int iIndex) const { return Entry(iIndex).green; }
    std::uint8_t Blue(int iIndex) const { return Entry(iIndex).blue; }

    void CreateWebSafe();
    void CreateHalfTone();
    void CreateMono();
    void Create16Colour();

    // Replaces the entries with at most maxColours colours suited to the picture. Raises error 9 for a depth
    // outside 1 .. 8. When the tree cannot be reduced to maxColours, the host is asked "Error in reducing nodes";
    // Yes goes on, No (or no host) stops with error 5.
    void CreateOptimal(const cDIBSection& picture, int maxColours, int depth);
    void EraseNodes();

    void Clear() { mEntries.clear(); }

    // The binary form: a 32-bit count and count × (red, green, blue, flags), at byte lPosition of the file.
    // Load advances lPosition past the palette it read, so consecutive calls read consecutive palettes.
    bool Load(const std::string& sFileName, long& lPosition);
    bool Load(const std::string& sFileName);
    // Save keeps the rest of an existing file, so palettes can be written one after another. The file is replaced
    // only by its complete new content: a failed save leaves it as it was.
    bool Save(const std::string& sFileName, long lPosition = 0) const;

    // The JASC-PAL text form. Failures raise the error with the source "<executable>.cPalette".
    bool SaveToJASCFile(const std::string& sFileName) const;
    bool LoadFromJASCFile(const std::string& sFileName);

    void ClearUp() { mPlatformPalette.reset(); }

    ProgressEvents Events;

private:
    struct Node {
        bool leaf = false;
        bool listed = false;
        std::int64_t redSum = 0, greenSum = 0, blueSum = 0;  // wide enough that no picture overflows them
        std::int64_t pixelCount = 0;
        std::array<int, 8> children{};
        int next = 0;
    };

    const PaletteEntry& Entry(int iIndex) const;
    void Fresh(int count) { mEntries.assign(static_cast<std::size_t>(count), PaletteEntry{}); }
    void SetLowColours(int start);
    void SetHighColours(int start);

    void AddColour(int node, int level, int rMin, int rMax, int gMin, int gMax, int bMin, int bMax, int R, int G, int B);
    bool ReduceTree();
    int NewNode();
    void FreeNode(int k);

    std::vector<PaletteEntry> mEntries;
    std::optional<PlatformPalette> mPlatformPalette;

    std::vector<Node> mNodes;  // slot 0 unused: nodes are numbered from 1
    int mNodesInUse = 0;
    int mMaxDepth = 0;
    int mFreeList = 0;
    int mLeafCount = 0;
    std::array<int, 8> mReducible{};
};

// Splits a text at every occurrence of the separator; empty pieces count.
std::vector<std::string> SplitString(const std::string& text, const std::string& separator);
