#include "platform/Bidi.h"

#include <algorithm>
#include <fribidi.h>
#include <numeric>

bool IsRightToLeft(char32_t c)
{
    // Nothing before Hebrew is written right to left.
    return c >= 0x0590 && FRIBIDI_IS_RTL(fribidi_get_bidi_type(c));
}

bool HasRightToLeft(std::u32string_view text)
{
    return std::any_of(text.begin(), text.end(), IsRightToLeft);
}

std::optional<bool> FirstStrongIsRightToLeft(std::u32string_view text)
{
    for (char32_t c : text) {
        if (c < 0x80) {
            if ((c | 0x20) >= U'a' && (c | 0x20) <= U'z')
                return false;
            continue;
        }
        const FriBidiCharType type = fribidi_get_bidi_type(c);
        if (FRIBIDI_IS_STRONG(type) && FRIBIDI_IS_LETTER(type))
            return FRIBIDI_IS_RTL(type) != 0;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> EmbeddingLevels(std::u32string_view text, bool rightToLeft)
{
    const auto length = static_cast<FriBidiStrIndex>(text.size());
    std::vector<std::uint8_t> levels(text.size(), rightToLeft ? 1 : 0);
    if (text.empty() || (!rightToLeft && !HasRightToLeft(text)))
        return levels;
    const auto* chars = reinterpret_cast<const FriBidiChar*>(text.data());
    std::vector<FriBidiCharType> types(text.size());
    std::vector<FriBidiBracketType> brackets(text.size());
    std::vector<FriBidiLevel> resolved(text.size());
    fribidi_get_bidi_types(chars, length, types.data());
    fribidi_get_bracket_types(chars, length, types.data(), brackets.data());
    FriBidiParType base = rightToLeft ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_LTR;
    if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), length, &base, resolved.data()) == 0)
        return levels;  // out of memory: the paragraph's own direction throughout
    std::transform(resolved.begin(), resolved.end(), levels.begin(),
                   [](FriBidiLevel level) { return static_cast<std::uint8_t>(level); });
    return levels;
}

void ShowInVisualOrder(std::vector<DirectedSpan>& spans)
{
    if (spans.empty())
        return;
    const auto [lowest, highest] = std::minmax_element(spans.begin(), spans.end(),
                                                       [](const auto& a, const auto& b) { return a.level < b.level; });
    const int lowestOdd = lowest->level | 1, top = highest->level;
    std::vector<std::size_t> shown(spans.size());  // the spans from left to right as they now stand
    std::iota(shown.begin(), shown.end(), 0);
    for (int k = top; k >= lowestOdd; --k) {
        std::stable_sort(shown.begin(), shown.end(), [&](std::size_t a, std::size_t b) { return spans[a].x < spans[b].x; });
        for (std::size_t i = 0; i < shown.size();) {
            if (spans[shown[i]].level < k) {
                ++i;
                continue;
            }
            std::size_t end = i;
            float left = spans[shown[i]].x, right = left;
            while (end < shown.size() && spans[shown[end]].level >= k) {
                const DirectedSpan& span = spans[shown[end]];
                left = std::min(left, span.x);
                right = std::max(right, span.x + span.width);
                ++end;
            }
            for (std::size_t j = i; j < end; ++j) {
                DirectedSpan& span = spans[shown[j]];
                span.x = left + right - (span.x + span.width);
            }
            i = end;
        }
    }
}
