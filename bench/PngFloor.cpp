#include "PngFloor.h"

#include "BenchSupport.h"
#include "engine/ConversionRun.h"
#include "platform/ConvertBMP2JPG.h"
#include "platform/PngEncoder.h"
#include "settings/SettingsModel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <span>

namespace fs = std::filesystem;

namespace {

// A PNG as it stores its pixels: the header, the palette, and every row packed as the file holds it.
struct StoredPng {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    std::vector<png_color> palette;
    std::vector<png_byte> pixels;
    std::vector<png_bytep> rows;
};

struct Memory {
    std::span<const std::uint8_t> in;
    std::vector<std::uint8_t>* out = nullptr;
};

void ReadMemory(png_structp png, png_bytep data, std::size_t length)
{
    auto& memory = *static_cast<Memory*>(png_get_io_ptr(png));
    if (length > memory.in.size())
        png_error(png, "cut short");
    std::memcpy(data, memory.in.data(), length);
    memory.in = memory.in.subspan(length);
}

void WriteMemory(png_structp png, png_bytep data, std::size_t length)
{
    auto& memory = *static_cast<Memory*>(png_get_io_ptr(png));
    memory.out->insert(memory.out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// No object with a destructor lives in these two: libpng leaves them by a long jump on an error.
bool Read(png_structp png, png_infop info, Memory& memory, StoredPng& image)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &memory, ReadMemory);
    png_read_info(png, info);
    png_get_IHDR(png, info, &image.width, &image.height, &image.bitDepth, &image.colourType, nullptr, nullptr, nullptr);
    png_colorp palette = nullptr;
    int colours = 0;
    if (png_get_PLTE(png, info, &palette, &colours))
        image.palette.assign(palette, palette + colours);
    image.pixels.resize(png_get_rowbytes(png, info) * image.height);
    image.rows.resize(image.height);
    for (png_uint_32 y = 0; y < image.height; ++y)
        image.rows[y] = image.pixels.data() + y * png_get_rowbytes(png, info);
    png_read_image(png, image.rows.data());
    return true;
}

bool Write(png_structp png, png_infop info, Memory& memory, StoredPng& image, int colourType)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, &memory, WriteMemory, NoFlush);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, image.palette.data(), static_cast<int>(image.palette.size()));
    png_write_info(png, info);
    png_write_image(png, image.rows.data());
    png_write_end(png, nullptr);
    return true;
}

bool ReadStored(std::span<const std::uint8_t> bytes, StoredPng& image)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Memory memory{bytes, nullptr};
    const bool read = Read(png, info, memory, image);
    png_destroy_read_struct(&png, &info, nullptr);
    return read;
}

// libpng's own encoding of the rows at its default settings: the size, or 0 when it failed.
std::size_t EncodeStored(StoredPng& image, int colourType, std::vector<std::uint8_t>& out)
{
    out.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Memory memory{{}, &out};
    const bool written = Write(png, info, memory, image, colourType);
    png_destroy_write_struct(&png, &info);
    return written ? out.size() : 0;
}

// A palette page's indexes as the red, green, blue rows RGB would hold.
StoredPng AsRgb(const StoredPng& image)
{
    StoredPng rgb = image;
    rgb.pixels.resize(3 * static_cast<std::size_t>(image.width) * image.height);
    for (png_uint_32 y = 0; y < image.height; ++y) {
        rgb.rows[y] = rgb.pixels.data() + 3 * static_cast<std::size_t>(image.width) * y;
        for (png_uint_32 x = 0; x < image.width; ++x) {
            const png_color colour = image.palette[image.rows[y][x]];
            png_bytep out = rgb.rows[y] + 3 * x;
            out[0] = colour.red, out[1] = colour.green, out[2] = colour.blue;
        }
    }
    return rgb;
}

class PngFloorHost : public RunHost {
public:
    PngFloorHost(PageOutput& output, bool blackAndWhite) : mOutput(output), mBlackAndWhite(blackAndWhite) {}

    void PageFileShown(const std::string&, bool written) override
    {
        if (!written)
            return;
        const Bitmap& page = mOutput.EncodedPage();
        const PngPixels pixels = mBlackAndWhite ? PngPixels::BlackAndWhite : PngPixels::Colour;
        double start = CpuSeconds();
        const auto png = EncodePng(page, pixels);
        figures.oursSeconds += CpuSeconds() - start;
        StoredPng stored;
        if (!png || !ReadStored(*png, stored)) {
            std::fprintf(stderr, "a PNG page cannot be read back\n");
            mFailed = true;
            return;
        }
        const std::size_t ours = png->size();
        start = CpuSeconds();
        const std::size_t floor = EncodeStored(stored, stored.colourType, mOut);
        figures.floorSeconds += CpuSeconds() - start;
        if (floor == 0)
            mFailed = true;

        const auto jpeg = EncodeJpeg(page, mOutput.JpegQuality());
        const double jpegSize = jpeg ? static_cast<double>(jpeg->size()) : 1;
        figures.pngBytes += static_cast<double>(ours);
        figures.jpegBytes += jpegSize;
        figures.largestShare = std::max(figures.largestShare, static_cast<double>(ours) / jpegSize);
        if (stored.colourType == PNG_COLOR_TYPE_PALETTE) {
            ++figures.palettePages;
            StoredPng rgb = AsRgb(stored);
            figures.paletteLarger += EncodeStored(rgb, PNG_COLOR_TYPE_RGB, mOut) < ours;
        }
        ++figures.pages;
    }

    PngFigures figures;
    bool Failed() const { return mFailed; }

private:
    PageOutput& mOutput;
    bool mBlackAndWhite;
    bool mFailed = false;
    std::vector<std::uint8_t> mOut;
};

} // namespace

PngFigures MeasurePng(const std::string& book, const fs::path& folder, const std::vector<std::string>& sets)
{
    const auto figures = InChild<PngFigures>([&] {
        SettingsModel settings;
        PrepareConversion(settings, book, folder, sets);
        settings.ApplyEdit("lstPageFormat", "PNG");
        RunState state;
        PageOutput output(settings, state);
        PngFloorHost host(output, settings.On(Control::chkPureBW));
        const RunResult result = ConversionRun(settings, state, output, host).Run();
        host.figures.ok = result.outcome == RunResult::Outcome::Finished && !host.Failed();
        return host.figures;
    });
    fs::remove_all(folder);
    return figures.value_or(PngFigures{});
}
