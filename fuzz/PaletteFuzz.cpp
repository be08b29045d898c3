// Palette files on any bytes. The first byte picks the form: odd for JASC-PAL text, even for the binary form
// read at the offset byte / 2 % 8. A JASC piece that is no number raises error 13, one outside 0 .. 255 error 6,
// and nothing else may be raised. What a load reads, a save writes and a second load reads back unchanged.
#include "FuzzSupport.h"
#include "base/AppError.h"
#include "imaging/cPalette.h"

namespace {

bool SameEntries(const cPalette& a, const cPalette& b)
{
    if (a.Count() != b.Count())
        return false;
    for (int i = 1; i <= a.Count(); ++i)
        if (a.Red(i) != b.Red(i) || a.Green(i) != b.Green(i) || a.Blue(i) != b.Blue(i))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string path = WriteScratchFile("palette", {data + 1, size - 1});
    const std::string copy = (ScratchFolder() / "palette-copy").string();
    cPalette palette, reread;
    if (data[0] % 2 == 1) {
        try {
            FUZZ_CHECK(palette.LoadFromJASCFile(path), "a readable file always loads");
        } catch (const AppError& e) {
            FUZZ_CHECK(e.Number() == ErrorNumber::kTypeMismatch || e.Number() == ErrorNumber::kOverflow, e.Description());
            return 0;
        }
        FUZZ_CHECK(palette.SaveToJASCFile(copy), "cannot save");
        FUZZ_CHECK(reread.LoadFromJASCFile(copy), "cannot load what was saved");
    } else {
        long position = data[0] / 2 % 8;
        const long start = position;
        if (!palette.Load(path, position)) {
            FUZZ_CHECK(position == start, "a failed load moved the position");
            return 0;
        }
        FUZZ_CHECK(position == start + 4 + 4L * palette.Count(), "the position does not follow the palette");
        FUZZ_CHECK(palette.Save(copy), "cannot save");
        FUZZ_CHECK(reread.Load(copy), "cannot load what was saved");
    }
    FUZZ_CHECK(SameEntries(palette, reread), "the entries changed on the way");
    return 0;
}
