// The bitmap reader on any bytes: it reads a bitmap or raises error 481, never more. What it reads survives
// being written and read again, and four quarter turns, exactly.
#include "FuzzSupport.h"
#include "base/AppError.h"
#include "imaging/BmpFile.h"
#include "imaging/RotateBMP90Degr.h"

#include <optional>

namespace {

std::vector<std::uint8_t> Encode(const Bitmap& picture)
{
    const BitmapInfoHeader header = MakeInfoHeader(picture.Width(), picture.Height(), picture.BitsPerPixel());
    const std::vector<std::uint8_t> info = InfoRecordBytes(header, picture.ColourTable());
    const auto offBits = static_cast<std::uint32_t>(kFileHeaderBytes + info.size());
    std::vector<std::uint8_t> file = FileHeaderBytes(offBits + header.biSizeImage, offBits);
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), picture.Bits().begin(), picture.Bits().end());
    return file;
}

bool SamePicture(const Bitmap& a, const Bitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (!a.Colour(x, y).SameColour(b.Colour(x, y)))
                return false;
    return true;
}

Bitmap QuarterTurn(const Bitmap& picture)
{
    std::shared_ptr<const Bitmap> handle(std::shared_ptr<const Bitmap>{}, &picture);
    std::string file;
    RotateBMP90Degr::OpenBitmap(handle, file);
    std::optional<Bitmap> turned;
    int angle = 90;
    RotateBMP90Degr::RotatePicture(picture, turned, angle);
    FUZZ_CHECK(turned, "no turned picture");
    return std::move(*turned);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::optional<Bitmap> picture;
    try {
        picture = DecodeBitmap({data, size});
    } catch (const AppError& e) {
        FUZZ_CHECK(e.Number() == ErrorNumber::kInvalidPicture, e.Description());
        return 0;
    }
    const std::vector<std::uint8_t> again = Encode(*picture);
    const Bitmap reread = DecodeBitmap(again);
    FUZZ_CHECK(reread.BitsPerPixel() == picture->BitsPerPixel(), "the depth changed");
    FUZZ_CHECK(std::ranges::equal(reread.Bits(), picture->Bits()), "the pixels changed");
    FUZZ_CHECK(SamePicture(reread, *picture), "the colours changed");

    if (static_cast<long>(picture->Width()) * picture->Height() > 1 << 16)
        return 0;
    const Bitmap once = QuarterTurn(*picture);
    FUZZ_CHECK(once.Width() == picture->Height() && once.Height() == picture->Width(), "a quarter turn swaps the sides");
    FUZZ_CHECK(once.Colour(picture->Height() - 1, 0).SameColour(picture->Colour(0, 0)),
               "the top-left pixel goes to the top-right corner in its own colour");
    const Bitmap full = QuarterTurn(QuarterTurn(QuarterTurn(once)));
    FUZZ_CHECK(SamePicture(full, *picture), "four quarter turns change the picture");
    return 0;
}
