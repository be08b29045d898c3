#include "books/ListMarker.h"

#include "base/Text.h"
#include "books/HtmlMarkup.h"

#include <libxml/tree.h>

#include <array>
#include <charconv>

namespace {

constexpr long long kMostNumber = 1'000'000'000;

std::u32string Letters(long long n, char32_t a)
{
    std::u32string letters;
    for (; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char32_t>(a + (n - 1) % 26));
    return letters;
}

std::u32string Roman(long long n, bool capital)
{
    static constexpr std::array<std::pair<int, std::u32string_view>, 13> kDigits{{
        {1000, U"m"}, {900, U"cm"}, {500, U"d"}, {400, U"cd"}, {100, U"c"}, {90, U"xc"}, {50, U"l"},
        {40, U"xl"}, {10, U"x"}, {9, U"ix"}, {5, U"v"}, {4, U"iv"}, {1, U"i"},
    }};
    std::u32string roman;
    for (const auto& [value, digits] : kDigits)
        for (; n >= value; n -= value)
            roman += digits;
    return capital ? ToUpper(roman) : roman;
}

std::u32string Formatted(long long n, char style)
{
    // Letters and Roman numerals have no zero or negative numbers, and Roman none past 3999: those stay figures.
    if ((style == 'a' || style == 'A') && n > 0)
        return Letters(n, style == 'a' ? U'a' : U'A');
    if ((style == 'i' || style == 'I') && n > 0 && n < 4000)
        return Roman(n, style == 'I');
    return ToText(n);
}

} // namespace

ListMarker::ListMarker(const xmlNode* list, bool ordered) : mOrdered(ordered)
{
    if (!ordered)
        return;
    if (const auto type = Attribute(list, "type"); type && type->size() == 1 &&
                                                   std::string_view("1aAiI").find((*type)[0]) != std::string_view::npos)
        mStyle = (*type)[0];
    if (HasAttribute(list, "reversed")) {
        mStep = -1;
        mNext = 0;
        for (const xmlNode* child = list->children; child; child = child->next)
            mNext += ElementName(child) == "li";
    }
    if (const auto start = Attribute(list, "start"))
        mNext = Number(*start).value_or(mNext);
}

std::u32string ListMarker::Next(const xmlNode* item)
{
    if (!mOrdered)
        return U"• ";
    if (const auto value = Attribute(item, "value"))
        mNext = Number(*value).value_or(mNext);
    const long long number = mNext;
    mNext += mStep;
    return Formatted(number, mStyle) + U". ";
}

std::optional<long long> ListMarker::Number(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n'))
        text.remove_suffix(1);
    if (text.starts_with('+'))
        text.remove_prefix(1);
    long long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{} || end != text.data() + text.size() || number > kMostNumber || number < -kMostNumber)
        return std::nullopt;
    return number;
}
