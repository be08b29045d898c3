#pragma once

#include "imaging/Bitmap.h"
#include "imaging/BmpFile.h"

#include <cstdint>
#include <memory>
#include <string>

// The program's in-memory raster surface: a 24-bit bottom-up bitmap whose rows are padded to 4 bytes.
// The pixel in column x of memory row y (counted from the bottom row) starts at byte
// y × BytesPerScanLine() + 3 × x of DIBSectionBitsPtr(), in the order blue, green, red.
// The surface's bitmap is also its drawing context (hdc): copies into and out of it go through BitBlt.
class cDIBSection {
public:
    cDIBSection() = default;
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;
    ~cDIBSection() { ClearUp(); }

    // Puts a copy of the picture on the clipboard of the host. A device-independent copy is not offered:
    // with bAsDIB the host is told so and the answer is false.
    bool CopyToClipboard(bool bAsDIB = false);

    // Makes the surface the size of the picture and copies the picture into it.
    void CreateFromPicture(const Bitmap& picThis);

    // Empties the surface, then makes a black picture of the given size. False for a size that cannot be made.
    bool Create(int lWidth, int lheight);

    int BytesPerScanLine() const;
    int Width() const { return mHeader.biWidth; }
    int Height() const { return mHeader.biHeight; }

    // Copies a picture into this surface at (0, 0), as much of it as the surface holds.
    void LoadPictureBlt(const Bitmap* lHDC);
    // Copies this surface into a picture at (0, 0), as much of it as the picture holds.
    void PaintPicture(Bitmap* lHDC) const;

    Bitmap* hdc() { return mDib.get(); }
    const Bitmap* hdc() const { return mDib.get(); }
    std::uint8_t* DIBSectionBitsPtr() { return mDib ? mDib->Bits().data() : nullptr; }
    const std::uint8_t* DIBSectionBitsPtr() const { return mDib ? mDib->Bits().data() : nullptr; }

    // Fills the picture with random colours (blue 0, green and red random) or random greys.
    void RandomiseBits(bool bGray = false);

    // Releases the picture; Width and Height keep reporting the last size.
    void ClearUp();

    // A new surface of the new size holding this picture, resampled bilinearly; nothing when it cannot be made.
    // Raises error 9 when the picture is 1 pixel wide or high and the size changes: the neighbourhood is missing.
    std::unique_ptr<cDIBSection> Resample(int lNewHeight, int lNewWidth) const;

    // Writes the picture as a 24-bit bitmap file. Raises error 17 when the file cannot be created;
    // false when a write fails (a file of that name then stays as it was).
    bool SavePicture(const std::string& sFileName) const;

    static std::string ApiError(int e);

private:
    void ResampleBilinear(cDIBSection& target) const;

    std::unique_ptr<Bitmap> mDib;
    BitmapInfoHeader mHeader;
};
