#pragma once

#include "imaging/ProgressEvents.h"

class cDIBSection;
class cPalette;

// Reduces the colours of a 24-bit surface pixel by pixel. Every operation scans column by column
// (byte columns x = 0, 3, …, (width − 1) × 3), each column from the bottom row up, and raises
// Progress once per column with x.
class cColourReduceDIB {
public:
    // Turns cFrom grey, then writes a black-and-white version with error diffusion into cTo and copies it back
    // into cFrom. The size is cTo's; raises error 9 when cFrom is smaller.
    void BlackAndWhite(cDIBSection& cFrom, cDIBSection& cTo) const;

    // Writes into cTo the picture with every pixel replaced by the nearest colour of cPal (optionally diffusing
    // the error), then copies it back into cFrom. The size is cTo's; raises error 9 when cFrom is smaller.
    void ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal, bool bDiffuseError = false) const;

    // Turns the surface grey in place: 222 red + 707 green + 71 blue, per thousand.
    void GrayScale(cDIBSection& surface) const;

    ProgressEvents Events;
};
