#pragma once

#include "imaging/Bitmap.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

class cDIBSection;
class cPalette;

// Turns a 24-bit surface into a bitmap of 1, 4, 8 or 24 bits per pixel and writes it as a bitmap file.
// Set ColourDepth, ReductionMethod (and, for method 1, Palette), then Convert, then Save.
//  ColourDepth: 0 = 1 bit (black, white), 1 = 4 bits (the 16 standard colours), 2 = 8 bits (Palette, or the
//  half-tone palette when none is set), 3 = 24 bits.
//  ReductionMethod: 0 = map every pixel onto the nearest table colour and copy the result back into the surface;
//  1 = apply Palette with error diffusion; 2 = automatic by depth.
class cDIBSectionSave {
public:
    // The colour table of the one-bit target: entry 0 black, entry 1 white.
    static constexpr std::array<RgbQuad, 2> kBlackAndWhite = {RgbQuad::FromRgb(0, 0, 0), RgbQuad::FromRgb(255, 255, 255)};

    int ColourDepth() const { return mColourDepth; }
    void ColourDepth(int value) { mColourDepth = value; }
    int ReductionMethod() const { return mReductionMethod; }
    void ReductionMethod(int value) { mReductionMethod = value; }
    std::shared_ptr<cPalette> Palette() const { return mPalette; }
    void Palette(std::shared_ptr<cPalette> cPal) { mPalette = std::move(cPal); }

    // Builds the target bitmap from the surface, which may be changed (reduced) on the way.
    // Answers whether a target bitmap or 24-bit copy was made.
    bool Convert(cDIBSection& cDIB);

    // Writes the target of the last Convert. Raises error 17 when the file cannot be created; false when a write
    // fails, or when there is no target for the current depth.
    bool Save(const std::string& sFileName) const;
    // The target of the last Convert to 1, 4 or 8 bits; nothing before one.
    const std::optional<Bitmap>& Target() const { return mTarget; }

private:
    void ReleaseTarget();
    bool Create1Bit(int width, int height);
    bool Create4Bit(int width, int height);
    bool Create8Bit(int width, int height);
    bool MakeTarget(int width, int height, int bitsPerPixel, std::span<const RgbQuad> table);
    bool SaveTarget(const std::string& sFileName, int bitsPerPixel) const;

    int mColourDepth = 0;
    int mReductionMethod = 0;
    std::shared_ptr<cPalette> mPalette;

    // The colour tables of the 4- and 8-bit depths keep their entries from one Convert to the next; the 1-bit
    // one is always kBlackAndWhite.
    std::array<RgbQuad, 16> mTable4{};
    std::array<RgbQuad, 256> mTable8{};

    std::optional<Bitmap> mTarget;
    std::unique_ptr<cDIBSection> mCopy24;
};
