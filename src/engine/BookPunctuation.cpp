#include "engine/BookPunctuation.h"

#include "base/Text.h"

#include <array>

namespace {

constexpr char32_t kOpenDouble = 0x201C, kCloseDouble = 0x201D, kOpenSingle = 0x2018, kCloseSingle = 0x2019;
constexpr char32_t kEmDash = 0x2014, kEllipsis = 0x2026;

bool IsWordCharacter(char32_t c) { return IsLetter(c) || IsDecimalDigit(c); }

// What stands before a quote that opens: the start, a blank, an opening bracket or quote, a dash.
bool OpensAfter(char32_t before)
{
    return before == 0 || before == U' ' || before == U'\t' || before == U'(' || before == U'[' || before == U'{' ||
           before == U'-' || before == kEmDash || before == 0x2013 || before == kOpenDouble || before == kOpenSingle;
}

// Words that begin with an elided letter keep an apostrophe there: 'tis, 'twas, 'em, 'cause, '90s.
bool IsElision(std::u32string_view after)
{
    static constexpr std::array<std::u32string_view, 9> kElisions = {U"tis", U"twas", U"twere", U"twill", U"em",
                                                                     U"cause", U"til", U"n", U"round"};
    std::size_t end = 0;
    while (end < after.size() && IsWordCharacter(after[end]))
        ++end;
    if (end == 0)
        return false;
    if (IsDecimalDigit(after[0]))
        return true;
    const std::u32string word = ToLower(after.substr(0, end));
    for (std::u32string_view elision : kElisions)
        if (word == elision)
            return true;
    return false;
}

} // namespace

std::u32string BookPunctuation(std::u32string_view text, const std::function<bool(char32_t)>& hasCharacter)
{
    const bool ellipsis = hasCharacter(kEllipsis), dash = hasCharacter(kEmDash);
    const bool curly = hasCharacter(kOpenDouble) && hasCharacter(kCloseDouble) && hasCharacter(kOpenSingle) &&
                       hasCharacter(kCloseSingle);
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        const char32_t before = out.empty() ? 0 : out.back();
        const char32_t after = i + 1 < text.size() ? text[i + 1] : 0;
        if (c == U'"' && curly) {
            out.push_back(OpensAfter(before) && after != U' ' && after != 0 ? kOpenDouble : kCloseDouble);
        } else if (c == U'\'' && curly) {
            const bool opens = OpensAfter(before) && after != U' ' && after != 0 && !IsElision(text.substr(i + 1));
            out.push_back(opens ? kOpenSingle : kCloseSingle);
        } else if (c == U'-' && after == U'-' && dash) {
            out.push_back(kEmDash);
            while (i + 1 < text.size() && text[i + 1] == U'-')
                ++i;
        } else if (c == U'.' && after == U'.' && i + 2 < text.size() && text[i + 2] == U'.' && ellipsis) {
            out.push_back(kEllipsis);
            i += 2;
        } else if (c == U'_' && ((!IsWordCharacter(before) && IsWordCharacter(after)) ||
                                 (IsWordCharacter(before) && !IsWordCharacter(after)))) {
            // an emphasis mark: it opens before a word or closes after one
        } else {
            out.push_back(c);
        }
    }
    return out;
}
