#pragma once

#include "base/AppError.h"
#include "base/HostHooks.h"
#include "imaging/cDIBSection.h"
#include "imaging/cPalette.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Pixel access in memory order (row 0 is the bottom row), as the reduction code addresses surfaces.
inline std::uint8_t* PixelAt(cDIBSection& s, int x, int y)
{
    return s.DIBSectionBitsPtr() + static_cast<std::size_t>(y) * s.BytesPerScanLine() + 3 * x;
}

inline void Fill(cDIBSection& s, std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) {
            std::uint8_t* p = PixelAt(s, x, y);
            p[0] = blue, p[1] = green, p[2] = red;
        }
}

// A bitmap whose pixels all differ (as far as the depth allows) and whose colour table entries all differ.
inline Bitmap Pattern(int width, int height, int bits)
{
    Bitmap b = *Bitmap::Make(width, height, bits);
    for (std::size_t i = 0; i < b.ColourTable().size(); ++i)
        b.ColourTable()[i] = RgbQuad::FromRgb(static_cast<int>(i), 255 - static_cast<int>(i), 7);
    const std::uint32_t mask = bits == 24 ? 0xFFFFFFu : (1u << bits) - 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.SetRawPixel(x, y, static_cast<std::uint32_t>(x * 7919 + y * 104729) & mask);
    return b;
}

using Rgb = std::array<int, 3>;
using RgbList = std::vector<Rgb>;

// A picture whose pixels are given as red, green, blue in filing order: memory row 0 first, left to right.
inline std::unique_ptr<cDIBSection> Picture(int width, int height, const RgbList& pixels)
{
    auto s = std::make_unique<cDIBSection>();
    s->Create(width, height);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        std::uint8_t* p = PixelAt(*s, static_cast<int>(i) % width, static_cast<int>(i) / width);
        for (int c = 0; c < 3; ++c)
            p[c] = static_cast<std::uint8_t>(pixels[i][2 - c]);
    }
    return s;
}

inline RgbList Colours(const cPalette& p)
{
    RgbList out;
    for (int i = 1; i <= p.Count(); ++i)
        out.push_back({p.Red(i), p.Green(i), p.Blue(i)});
    return out;
}

// The error a call raises, if any.
template <class Call>
std::optional<AppError> Raised(Call&& call)
{
    try {
        call();
    } catch (const AppError& e) {
        return e;
    }
    return std::nullopt;
}

// Its error number, 0 when it raises none.
template <class Call>
int NumberRaised(Call&& call) { const auto e = Raised(call); return e ? e->Number() : 0; }

// Stands in for the user while it lives: records every message and question, answering questions with yes.
struct RecordingHost : MessageHost {
    explicit RecordingHost(bool answer = false) : yes(answer) { SetMessageHost(this); }
    ~RecordingHost() override { SetMessageHost(nullptr); }
    void ShowMessage(const std::string& text, const std::string& title) override { told.push_back(title + ": " + text); }
    bool AskYesNo(const std::string& text, const std::string&) override { asked.push_back(text); return yes; }
    bool yes;
    std::vector<std::string> told, asked;
};
