#include "base/Text.h"

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <locale.h>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at bytes[i]; answers the code point and advances i, or kReplacement and
// advances by one byte for a malformed sequence.
char32_t DecodeOne(std::string_view bytes, std::size_t& i, bool& valid)
{
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    valid = true;
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int extra;
    char32_t c;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) extra = 1, c = lead & 0x1F, minimum = 0x80;
    else if ((lead & 0xF0) == 0xE0) extra = 2, c = lead & 0x0F, minimum = 0x800;
    else if ((lead & 0xF8) == 0xF0) extra = 3, c = lead & 0x07, minimum = 0x10000;
    else extra = -1, c = 0, minimum = 0;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= bytes.size()) {
        valid = false;
        ++i;
        return kReplacement;
    }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
        if ((next & 0xC0) != 0x80) {
            valid = false;
            ++i;
            return kReplacement;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        valid = false;
        ++i;
        return kReplacement;
    }
    i += static_cast<std::size_t>(extra) + 1;
    return c;
}

// Whether the eight bytes at bytes[i] are all there and all ASCII: a book of plain text is checked and decoded
// eight bytes at a time rather than one.
bool EightAscii(std::string_view bytes, std::size_t i)
{
    if (i + 8 > bytes.size())
        return false;
    std::uint64_t eight;
    std::memcpy(&eight, bytes.data() + i, 8);
    return (eight & 0x8080808080808080u) == 0;
}

// Appends the eight bytes at bytes[i], ASCII, as the characters they are.
void AppendEight(std::u32string& text, std::string_view bytes, std::size_t i)
{
    char32_t wide[8];
    for (std::size_t k = 0; k < 8; ++k)
        wide[k] = static_cast<unsigned char>(bytes[i + k]);
    text.append(wide, 8);
}

locale_t Utf8Locale()
{
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return l ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    }();
    return locale;
}

bool IsBlank(char32_t c) { return c == U' '; }

} // namespace

std::u32string FromUtf8(std::string_view utf8)
{
    std::u32string text;
    text.reserve(utf8.size());
    bool valid;
    for (std::size_t i = 0; i < utf8.size();) {
        if (EightAscii(utf8, i)) {
            AppendEight(text, utf8, i);
            i += 8;
        } else {
            text.push_back(DecodeOne(utf8, i, valid));
        }
    }
    return text;
}

bool IsValidUtf8(std::string_view bytes)
{
    bool valid = true;
    for (std::size_t i = 0; i < bytes.size() && valid;) {
        if (EightAscii(bytes, i))
            i += 8;
        else
            DecodeOne(bytes, i, valid);
    }
    return valid;
}

std::string ToUtf8(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = kReplacement;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::u32string FromWindows1252(std::string_view bytes)
{
    // 0x80 .. 0x9F differ from Latin-1; the five unassigned codes keep their own value.
    static constexpr char32_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::u32string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        if (EightAscii(bytes, i)) {
            AppendEight(text, bytes, i);
            i += 8;
        } else {
            const unsigned char b = static_cast<unsigned char>(bytes[i++]);
            text.push_back(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char32_t{b});
        }
    }
    return text;
}

std::u32string FromUtf16(std::string_view bytes, bool littleEndian)
{
    std::u32string text;
    text.reserve(bytes.size() / 2);
    const auto unitAt = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return littleEndian ? (char32_t{b} << 8 | a) : (char32_t{a} << 8 | b);
    };
    std::size_t i = 0;
    for (; i + 2 <= bytes.size(); i += 2) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 4 <= bytes.size()) {
            const char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                text.push_back(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        text.push_back(unit >= 0xD800 && unit < 0xE000 ? kReplacement : unit);
    }
    if (i < bytes.size())
        text.push_back(kReplacement);
    return text;
}

std::u32string TrimBlanks(std::u32string_view text)
{
    std::size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return std::u32string(text.substr(first, last - first));
}

std::u32string TrimLeadingBlanks(std::u32string_view text)
{
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first]))
        ++first;
    return std::u32string(text.substr(first));
}

// ASCII is answered without the locale, as it answers it: a short English book never needs the locale loaded.
std::u32string ToUpper(std::u32string_view text)
{
    std::u32string out(text);
    for (char32_t& c : out)
        c = c < 0x80 ? (c >= U'a' && c <= U'z' ? c - 32 : c)
                     : static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), Utf8Locale()));
    return out;
}

std::u32string ToLower(std::u32string_view text)
{
    std::u32string out(text);
    for (char32_t& c : out)
        c = c < 0x80 ? (c >= U'A' && c <= U'Z' ? c + 32 : c)
                     : static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), Utf8Locale()));
    return out;
}

bool IsCapitalLetter(char32_t c)
{
    return c < 0x80 ? c >= U'A' && c <= U'Z' : iswupper_l(static_cast<wint_t>(c), Utf8Locale()) != 0;
}
bool IsSmallLetter(char32_t c)
{
    return c < 0x80 ? c >= U'a' && c <= U'z' : iswlower_l(static_cast<wint_t>(c), Utf8Locale()) != 0;
}
bool IsLetter(char32_t c)
{
    return c < 0x80 ? IsCapitalLetter(c) || IsSmallLetter(c)
                    : iswalpha_l(static_cast<wint_t>(c), Utf8Locale()) != 0 && !IsDecimalDigit(c);
}

bool IsDecimalDigit(char32_t c)
{
    // The first digit (zero) of every run of ten decimal digits in Unicode 14, in order.
    static constexpr char32_t kZeros[] = {
        0x30,    0x660,   0x6F0,   0x7C0,   0x966,   0x9E6,   0xA66,   0xAE6,   0xB66,   0xBE6,   0xC66,
        0xCE6,   0xD66,   0xDE6,   0xE50,   0xED0,   0xF20,   0x1040,  0x1090,  0x17E0,  0x1810,  0x1946,
        0x19D0,  0x1A80,  0x1A90,  0x1B50,  0x1BB0,  0x1C40,  0x1C50,  0xA620,  0xA8D0,  0xA900,  0xA9D0,
        0xA9F0,  0xAA50,  0xABF0,  0xFF10,  0x104A0, 0x10D30, 0x11066, 0x110F0, 0x11136, 0x111D0, 0x112F0,
        0x11450, 0x114D0, 0x11650, 0x116C0, 0x11730, 0x118E0, 0x11950, 0x11C50, 0x11D50, 0x11DA0, 0x16A60,
        0x16AC0, 0x16B50, 0x1D7CE, 0x1D7D8, 0x1D7E2, 0x1D7EC, 0x1D7F6, 0x1E140, 0x1E2F0, 0x1E950, 0x1FBF0,
    };
    const auto* after = std::upper_bound(std::begin(kZeros), std::end(kZeros), c);
    return after != std::begin(kZeros) && c - after[-1] < 10;
}

std::u32string ToText(long long number)
{
    const std::string digits = std::to_string(number);
    return std::u32string(digits.begin(), digits.end());
}

double LeadingNumber(std::u32string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == U' ' || text[i] == U'\t'))
        ++i;
    std::string number;
    if (i < text.size() && (text[i] == U'-' || text[i] == U'+'))
        number.push_back(static_cast<char>(text[i++]));
    bool point = false;
    for (; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c >= U'0' && c <= U'9')
            number.push_back(static_cast<char>(c));
        else if (c == U'.' && !point)
            point = true, number.push_back('.');
        else if (c != U' ')  // the old runtime skips blanks inside a number
            break;
    }
    // Most texts hold no number at all: answered without the exception std::stod would throw for them.
    if (number.find_first_of("0123456789") == std::string::npos)
        return 0.0;
    try {
        return std::stod(number);
    } catch (...) {
        return 0.0;
    }
}

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", from), text.size());
        lines.push_back(text.substr(from, end - from));
        from = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return lines;
}
