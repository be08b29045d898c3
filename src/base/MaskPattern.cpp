#include "base/MaskPattern.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

bool IsDigitChar(char32_t c) { return c >= U'0' && c <= U'9'; }

// One mask element; every kind but Star stands for exactly one character, which is what lets the matcher
// backtrack to the last star only.
struct MaskElement {
    enum class Kind { Literal, AnyChar, Digit, List, Star };
    Kind kind = Kind::Literal;
    char32_t literal = 0;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;

    bool Accepts(char32_t c) const
    {
        switch (kind) {
        case Kind::Literal: return c == literal;
        case Kind::AnyChar: return true;
        case Kind::Digit: return IsDigitChar(c);
        case Kind::List: {
            const bool inList = std::any_of(ranges.begin(), ranges.end(),
                                            [c](const auto& r) { return c >= r.first && c <= r.second; });
            return inList != negated;
        }
        case Kind::Star: break;
        }
        return false;
    }
};

MaskElement ParseList(std::u32string_view list, bool negated)
{
    MaskElement element;
    element.kind = MaskElement::Kind::List;
    element.negated = negated;
    for (std::size_t i = 0; i < list.size();) {
        if (i + 2 < list.size() && list[i + 1] == U'-') {
            element.ranges.emplace_back(list[i], list[i + 2]);
            i += 3;
        } else {
            element.ranges.emplace_back(list[i], list[i]);
            ++i;
        }
    }
    return element;
}

std::vector<MaskElement> ParseMask(std::u32string_view mask)
{
    std::vector<MaskElement> elements;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        MaskElement element;
        switch (mask[i]) {
        case U'?': element.kind = MaskElement::Kind::AnyChar; break;
        case U'#': element.kind = MaskElement::Kind::Digit; break;
        case U'*':
            // a run of stars is one star
            if (!elements.empty() && elements.back().kind == MaskElement::Kind::Star)
                continue;
            element.kind = MaskElement::Kind::Star;
            break;
        case U'[': {
            const bool negated = i + 1 < mask.size() && mask[i + 1] == U'!';
            const std::size_t listStart = i + 1 + (negated ? 1 : 0);
            const std::size_t close = mask.find(U']', listStart);
            if (close == std::u32string_view::npos) {
                element.literal = U'[';
                break;
            }
            element = ParseList(mask.substr(listStart, close - listStart), negated);
            i = close;
            break;
        }
        default: element.literal = mask[i]; break;
        }
        elements.push_back(std::move(element));
    }
    return elements;
}

// The parsed form of a mask. A run tests every line against the same one or two masks, so the last two parsed
// are kept rather than parsed again for every line.
const std::vector<MaskElement>& ParsedMask(std::u32string_view mask)
{
    struct Entry {
        std::u32string mask;
        std::vector<MaskElement> elements;
        bool used = false;
    };
    thread_local Entry entries[2];
    thread_local int older = 0;
    for (Entry& entry : entries)
        if (entry.used && entry.mask == mask)
            return entry.elements;
    Entry& entry = entries[older];
    older = 1 - older;
    entry = {std::u32string(mask), ParseMask(mask), true};
    return entry.elements;
}

} // namespace

bool MatchesMask(std::u32string_view text, std::u32string_view mask)
{
    const std::vector<MaskElement>& elements = ParsedMask(mask);
    const auto isStar = [&](std::size_t p) {
        return p < elements.size() && elements[p].kind == MaskElement::Kind::Star;
    };
    constexpr std::size_t kNoStar = static_cast<std::size_t>(-1);
    std::size_t t = 0, p = 0;
    std::size_t starElement = kNoStar, starText = 0;
    while (t < text.size()) {
        if (isStar(p)) {
            starElement = p++;
            starText = t;
        } else if (p < elements.size() && elements[p].Accepts(text[t])) {
            ++p;
            ++t;
        } else if (starElement != kNoStar) {
            // let the last star take one more character and try again from there
            p = starElement + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (isStar(p))
        ++p;
    return p == elements.size();
}

std::string MaskSyntaxError(std::u32string_view mask)
{
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] != U'[')
            continue;
        const std::size_t listStart = i + 1 + (i + 1 < mask.size() && mask[i + 1] == U'!' ? 1 : 0);
        const std::size_t close = mask.find(U']', listStart);
        if (close == std::u32string_view::npos)
            return "the list that [ opens at character " + std::to_string(i + 1) +
                   " has no closing ] (a [ itself is written [[])";
        i = close;
    }
    return {};
}
