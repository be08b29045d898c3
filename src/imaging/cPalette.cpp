#include "imaging/cPalette.h"

#include "base/AppError.h"
#include "base/FileBytes.h"
#include "base/Rounding.h"
#include "base/SaveFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::string PaletteSource() { return ExecutableName() + ".cPalette"; }

// Reads up to size bytes at offset, going on after interruptions and short reads; answers the bytes read.
std::size_t ReadAt(int fd, void* data, std::size_t size, long offset)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, static_cast<char*>(data) + done, size - done, offset + static_cast<long>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

// A JASC colour value: a number that rounds (halves to even) into 0 .. 255.
std::uint8_t ParseChannel(const std::string& piece)
{
    char* end = nullptr;
    errno = 0;
    const double value = piece.empty() ? 0.0 : std::strtod(piece.c_str(), &end);
    if (piece.empty() || end != piece.c_str() + piece.size() || errno == ERANGE)
        throw AppError(ErrorNumber::kTypeMismatch, PaletteSource(), "Type mismatch: \"" + piece + "\" is not a number");
    const double rounded = std::nearbyint(value);
    if (!(rounded >= 0 && rounded <= 255))
        throw AppError(ErrorNumber::kOverflow, PaletteSource(), "Overflow: " + piece + " is outside 0 to 255");
    return static_cast<std::uint8_t>(rounded);
}

} // namespace

PlatformPalette::PlatformPalette(const std::vector<PaletteEntry>& entries)
{
    mTable.reserve(entries.size());
    for (const PaletteEntry& e : entries)
        mTable.push_back(RgbQuad::FromRgb(e.red, e.green, e.blue));
}

int PlatformPalette::NearestIndex(std::uint32_t colour) const
{
    return NearestColourIndex(mTable, colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

void cPalette::CreatehPalette()
{
    ClearUp();
    mPlatformPalette.emplace(mEntries);
}

int cPalette::ClosestIndex(int red, int green, int blue) const
{
    if (mPlatformPalette) {
        const std::uint32_t colour = (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
        return mPlatformPalette->NearestIndex(colour) + 1;
    }
    int best = 765;
    int answer = 0;
    for (int i = 1; i <= Count(); ++i) {
        const PaletteEntry& e = mEntries[static_cast<std::size_t>(i - 1)];
        if (e.red == red && e.green == green && e.blue == blue)
            return i;
        const int d = std::abs(red - e.red) + std::abs(green - e.green) + std::abs(blue - e.blue);
        if (d < best) {
            best = d;
            answer = i;
        }
    }
    return answer;
}

void cPalette::Add(std::uint8_t Red, std::uint8_t Green, std::uint8_t Blue)
{
    mEntries.push_back(PaletteEntry{Red, Green, Blue, 0});
}

const PaletteEntry& cPalette::Entry(int iIndex) const
{
    if (iIndex < 1 || iIndex > Count())
        throw AppError(ErrorNumber::kSubscriptOutOfRange, PaletteSource(),
                       "Subscript out of range: entry " + std::to_string(iIndex) + " of " + std::to_string(Count()));
    return mEntries[static_cast<std::size_t>(iIndex - 1)];
}

void cPalette::SetLowColours(int start)
{
    static constexpr PaletteEntry kLow[] = {{128, 0, 0, 0}, {0, 128, 0, 0},   {128, 128, 0, 0}, {0, 0, 128, 0},
                                            {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0}};
    // The first of the eight is black, which a fresh list already holds.
    for (int i = 0; i < 7; ++i)
        mEntries[static_cast<std::size_t>(start + i)] = kLow[i];
}

void cPalette::SetHighColours(int start)
{
    static constexpr PaletteEntry kHigh[] = {{128, 128, 128, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},
                                             {255, 255, 0, 0},   {0, 0, 255, 0},   {255, 0, 255, 0},
                                             {0, 255, 255, 0},   {255, 255, 255, 0}};
    for (int i = 0; i < 8; ++i)
        mEntries[static_cast<std::size_t>(start - 1 + i)] = kHigh[i];
}

void cPalette::Create16Colour()
{
    Fresh(16);
    SetLowColours(1);
    SetHighColours(9);
}

void cPalette::CreateMono()
{
    Fresh(2);
    mEntries[1] = PaletteEntry{255, 255, 255, 0};
}

void cPalette::CreateHalfTone()
{
    static constexpr std::uint8_t kLevels[] = {0, 64, 128, 192, 255};
    Fresh(256);
    std::size_t i = 0;
    for (std::uint8_t blue : kLevels)
        for (std::uint8_t green : kLevels)
            for (std::uint8_t red : kLevels)
                mEntries[i++] = PaletteEntry{red, green, blue, 0};
}

void cPalette::CreateWebSafe()
{
    static constexpr std::uint8_t kLevels[] = {0, 51, 102, 153, 204, 255};
    Fresh(256);
    SetLowColours(1);
    SetHighColours(248);
    std::size_t i = 8;
    for (int blue : kLevels) {
        for (int green : kLevels) {
            for (int red : kLevels) {
                const int sum = red + green + blue;
                const int zeros = (red == 0) + (green == 0) + (blue == 0);
                const bool corner = sum == 0 || sum == 765 || (sum == 510 && zeros == 1) || (sum == 255 && zeros == 2);
                if (!corner)
                    mEntries[i++] = PaletteEntry{static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                                                 static_cast<std::uint8_t>(blue), 0};
            }
        }
    }
    for (int g = 8; g <= 248; g += 8)
        mEntries[i++] = PaletteEntry{static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(g), 0};
}

bool cPalette::Load(const std::string& sFileName)
{
    long position = 0;
    return Load(sFileName, position);
}

bool cPalette::Load(const std::string& sFileName, long& lPosition)
{
    const int fd = ::open(sFileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (lPosition < 1)
        lPosition = 0;
    bool loaded = false;
    std::uint8_t countBytes[4];
    if (ReadAt(fd, countBytes, 4, lPosition) == 4) {
        const std::int32_t count = static_cast<std::int32_t>(countBytes[0] | (countBytes[1] << 8) |
                                                             (countBytes[2] << 16) | (std::uint32_t{countBytes[3]} << 24));
        if (count >= 1 && count <= 4097) {
            Fresh(count);
            const std::size_t want = 4 * static_cast<std::size_t>(count);
            if (ReadAt(fd, mEntries.data(), want, lPosition + 4) == want) {
                lPosition += 4 + static_cast<long>(want);
                loaded = true;
            }
        }
    }
    ::close(fd);
    return loaded;
}

bool cPalette::Save(const std::string& sFileName, long lPosition) const
{
    const std::uint32_t count = static_cast<std::uint32_t>(Count());
    std::string palette = {static_cast<char>(count), static_cast<char>(count >> 8), static_cast<char>(count >> 16),
                           static_cast<char>(count >> 24)};
    palette.append(reinterpret_cast<const char*>(mEntries.data()), 4 * mEntries.size());

    // At offset 0 the file is made afresh. Further out, what the file already holds is kept and the palette
    // replaces the bytes at the offset; a gap between the file's end and the offset reads as zeros.
    std::string content;
    if (lPosition >= 1) {
        auto existing = ReadWholeFile(sFileName);
        if (existing)
            content = std::move(*existing);
        else if (existing.Failure().code != ENOENT)
            return false;
        const auto at = static_cast<std::size_t>(lPosition);
        content.resize(std::max(content.size(), at + palette.size()), '\0');
        content.replace(at, palette.size(), palette);
    } else {
        content = std::move(palette);
    }
    return static_cast<bool>(SaveWholeFile(sFileName, content));
}

bool cPalette::SaveToJASCFile(const std::string& sFileName) const
{
    std::string text = "JASC\r\n0100\r\n" + std::to_string(Count());
    for (const PaletteEntry& e : mEntries)
        text += "\r\n" + std::to_string(e.red) + ' ' + std::to_string(e.green) + ' ' + std::to_string(e.blue);
    // The new file replaces the old one only once it is complete: a failed save keeps the old palette.
    if (auto saved = SaveWholeFile(sFileName, text); !saved)
        throw AppError(ErrorNumber::kPathFileAccess, PaletteSource(), SystemMessage(saved.Failure().code));
    return true;
}

bool cPalette::LoadFromJASCFile(const std::string& sFileName)
{
    Clear();
    const auto text = ReadWholeFile(sFileName);
    if (!text) {
        const int code = text.Failure().code;
        throw AppError(code == ENOENT ? ErrorNumber::kFileNotFound : ErrorNumber::kPathFileAccess, PaletteSource(),
                       SystemMessage(code) + ": " + sFileName);
    }
    // Only CR LF ends a line here, not CR or LF alone as in profiles: JASC-PAL files end their lines with CR LF,
    // and this reads them exactly as it always has. So an LF-only file is meant to load no colours: it is one
    // line whose pieces are not three, and it is passed over without an error (except a file of a single
    // colour, whose one line then has three pieces, the first not a number: error 13).
    for (const std::string& line : SplitString(*text, "\r\n")) {
        const std::vector<std::string> pieces = SplitString(line, " ");
        if (pieces.size() != 3)
            continue;
        const std::uint8_t red = ParseChannel(pieces[0]);
        const std::uint8_t green = ParseChannel(pieces[1]);
        const std::uint8_t blue = ParseChannel(pieces[2]);
        Add(red, green, blue);
    }
    return true;
}

std::vector<std::string> SplitString(const std::string& text, const std::string& separator)
{
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = separator.empty() ? std::string::npos : text.find(separator, from);
        if (at == std::string::npos) {
            pieces.push_back(text.substr(from));
            return pieces;
        }
        pieces.push_back(text.substr(from, at - from));
        from = at + separator.size();
    }
}
