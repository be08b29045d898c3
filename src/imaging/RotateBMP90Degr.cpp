#include "imaging/RotateBMP90Degr.h"

#include "base/AppError.h"
#include "imaging/BmpFile.h"
#include "base/Rounding.h"
#include "base/HostHooks.h"

#include <algorithm>
#include <cmath>

namespace RotateBMP90Degr {

namespace {
std::shared_ptr<const Bitmap>& ContextStorage()
{
    static std::shared_ptr<const Bitmap> context;
    return context;
}

void Describe(const Bitmap& bitmap)
{
    BitmapInfo() = BitmapDescription{0, bitmap.Width(), bitmap.Height(), bitmap.Stride(), 1, bitmap.BitsPerPixel()};
}

// A picture loaded as monochrome: every pixel becomes the nearer of black and white.
std::shared_ptr<const Bitmap> LoadMonochrome(const std::string& fileName)
{
    try {
        const Bitmap picture = ReadBitmapFile(fileName);
        auto mono = Bitmap::Make(picture.Width(), picture.Height(), 1);
        mono->ColourTable()[1] = RgbQuad::FromRgb(255, 255, 255);
        BitBlt(*mono, 0, 0, picture.Width(), picture.Height(), picture, 0, 0);
        return std::make_shared<const Bitmap>(std::move(*mono));
    } catch (const AppError&) {
        return nullptr;
    }
}
} // namespace

BitmapDescription& BitmapInfo()
{
    static BitmapDescription info;
    return info;
}

const std::shared_ptr<const Bitmap>& BitmapContext() { return ContextStorage(); }

void OpenBitmap(std::shared_ptr<const Bitmap>& hBitmap, std::string& fileName)
{
    if (!fileName.empty()) {
        hBitmap = LoadMonochrome(fileName);
    } else if (hBitmap) {
        Describe(*hBitmap);
        return;
    }
    if (!hBitmap) {
        ShowHostMessage("Error, Unable To Load Bitmap", "Bitmap Load Error");
        throw AppError(ErrorNumber::kInvalidPicture, ExecutableName() + ".RotateBMP90Degr", "Unable to load bitmap");
    }
    ContextStorage() = hBitmap;
    Describe(*hBitmap);
}

void RotatePicture(const Bitmap& source, std::optional<Bitmap>& destination, int& angle)
{
    int width = BitmapInfo().bmWidth;
    int height = BitmapInfo().bmHeight;
    // A quarter turn of the whole picture into a destination of the turned size, or none yet, is one transposing
    // copy into the destination's own pixels: what the turn and the copy below give, without the pictures between.
    const bool wholePicture = width == source.Width() && height == source.Height();
    const bool turnedSize = !destination || (destination->Width() == height && destination->Height() == width &&
                                             destination->BitsPerPixel() == source.BitsPerPixel());
    if (angle == 90 && wholePicture && turnedSize) {
        source.TurnClockwiseInto(destination);
        angle = 180;
        return;
    }
    float radians = static_cast<float>(angle * 3.14159f / 180.0f);
    // The source belongs to the caller: an owner-less handle to it.
    std::shared_ptr<const Bitmap> context(std::shared_ptr<const Bitmap>{}, &source);

    TurnBitmap(context, width, height, radians);

    if (context) {
        std::optional<Bitmap> cleared;
        if (!destination || destination->Width() == 0)
            cleared = Bitmap::Make(width, height, context->BitsPerPixel());
        else
            cleared = Bitmap::Make(destination->Width(), destination->Height(), destination->BitsPerPixel());
        // A picture with a colour table keeps its colours: at the turned picture's depth the destination takes
        // its table, so the pixels copy as they are; at another depth it keeps its own.
        if (cleared && cleared->Indexed()) {
            const Bitmap& colours = cleared->BitsPerPixel() == context->BitsPerPixel() ? *context : *destination;
            std::ranges::copy(colours.ColourTable(), cleared->ColourTable().begin());
        }
        destination = std::move(cleared);
        if (destination)
            BitBlt(*destination, 0, 0, width, height, *context, 0, 0);
    }

    angle += 90;
    if (angle == 360)
        angle = 0;
}

void TurnBitmap(std::shared_ptr<const Bitmap>& context, int& width, int& height, float& radians)
{
    if (!context)
        return;
    const int w = width, h = height;
    const int s = static_cast<int>(RoundHalfEven(std::sin(radians)));
    const int c = static_cast<int>(RoundHalfEven(std::cos(radians)));

    int minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool first = true;
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{w - 1, 0}, std::pair{0, h - 1}, std::pair{w - 1, h - 1}}) {
        const int turnedX = x * c - y * s;
        const int turnedY = x * s + y * c;
        minX = first ? turnedX : MinOf(minX, turnedX);
        maxX = first ? turnedX : MaxOf(maxX, turnedX);
        minY = first ? turnedY : MinOf(minY, turnedY);
        maxY = first ? turnedY : MaxOf(maxY, turnedY);
        first = false;
    }
    const int newWidth = maxX - minX + 1;
    const int newHeight = maxY - minY + 1;
    if (s == 1 && c == 0 && w == context->Width() && h == context->Height()) {
        std::optional<Bitmap> turned;
        context->TurnClockwiseInto(turned);
        width = newWidth;
        height = newHeight;
        context = std::make_shared<const Bitmap>(std::move(*turned));
        return;
    }

    auto turned = Bitmap::Make(newWidth, newHeight, context->BitsPerPixel());
    if (!turned) {
        context = nullptr;
        return;
    }
    std::ranges::copy(context->ColourTable(), turned->ColourTable().begin());
    const int sourceWidth = MinOf(w, context->Width()), sourceHeight = MinOf(h, context->Height());
    for (int y = 0; y < newHeight; ++y) {
        for (int x = 0; x < newWidth; ++x) {
            const int sx = (x + minX) * c + (y + minY) * s;
            const int sy = (y + minY) * c - (x + minX) * s;
            if (0 <= sx && sx < sourceWidth && 0 <= sy && sy < sourceHeight)
                turned->SetRawPixel(x, y, context->RawPixel(sx, sy));
        }
    }
    width = newWidth;
    height = newHeight;
    context = std::make_shared<const Bitmap>(std::move(*turned));
}

} // namespace RotateBMP90Degr
