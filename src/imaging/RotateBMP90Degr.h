#pragma once

#include "imaging/Bitmap.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Turns a picture a quarter turn (or any multiple of it) clockwise into another picture, for pages read on a
// player held sideways. Positive angles turn clockwise on the screen, whose y axis points down.
namespace RotateBMP90Degr {

// The description of the bitmap last given to OpenBitmap.
struct BitmapDescription {
    int bmType = 0;
    int bmWidth = 0;
    int bmHeight = 0;
    int bmWidthBytes = 0;
    int bmPlanes = 0;
    int bmBitsPixel = 0;
};

// The module's state: what OpenBitmap last described, and the picture it loaded itself (file mode).
BitmapDescription& BitmapInfo();
const std::shared_ptr<const Bitmap>& BitmapContext();

// Describes a bitmap for RotatePicture. A fileName that is not empty loads that bitmap file, reduced to black
// and white, into hBitmap; otherwise hBitmap itself is described. (The built-in pictures the original could name
// by a resource number do not exist in this program.) When nothing could be loaded the host shows "Error,
// Unable To Load Bitmap" (title "Bitmap Load Error") and error 481 is raised instead of ending the program.
void OpenBitmap(std::shared_ptr<const Bitmap>& hBitmap, std::string& fileName);

// Draws source, turned by angle degrees, into destination at (0, 0) and advances angle by 90 (360 becomes 0).
// The size comes from BitmapInfo, so OpenBitmap must describe source first. An empty destination (no pixels)
// is made the turned size; otherwise it is cleared to black and the turned picture is clipped to it.
void RotatePicture(const Bitmap& source, std::optional<Bitmap>& destination, int& angle);

// Makes the turned copy of the width × height picture in context and hands back its context and size.
// sin and cos are rounded to whole numbers, so only multiples of 90 degrees turn truly.
void TurnBitmap(std::shared_ptr<const Bitmap>& context, int& width, int& height, float& radians);

inline int MinOf(int a, int b) { return a < b ? a : b; }
inline int MaxOf(int a, int b) { return a > b ? a : b; }

} // namespace RotateBMP90Degr
