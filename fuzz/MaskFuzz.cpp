// The mask matcher against a plain recursive matcher of the same little language. The input is the mask, a NUL,
// and the text, both UTF-8.
#include "FuzzSupport.h"
#include "engine/Masks.h"
#include "base/Text.h"

#include <optional>

namespace {

constexpr std::size_t kNone = std::u32string_view::npos;

// The index of the "]" closing the list that opens at mask[open], or kNone when the "[" is a plain character.
std::size_t ListClose(std::u32string_view mask, std::size_t open)
{
    std::size_t from = open + 1;
    if (from < mask.size() && mask[from] == U'!')
        ++from;
    return mask.find(U']', from);
}

bool InList(std::u32string_view list, char32_t c)
{
    for (std::size_t k = 0; k < list.size(); ++k) {
        if (k + 2 < list.size() && list[k + 1] == U'-') {
            if (list[k] <= c && c <= list[k + 2])
                return true;
            k += 2;
        } else if (list[k] == c) {
            return true;
        }
    }
    return false;
}

struct Reference {
    std::u32string_view text, mask;
    std::vector<std::optional<bool>> memo;  // by (i, j): only to keep many stars from taking forever

    bool Match(std::size_t i, std::size_t j)
    {
        std::optional<bool>& known = memo[i * (mask.size() + 1) + j];
        if (!known)
            known = Step(i, j);
        return *known;
    }

    bool Step(std::size_t i, std::size_t j)
    {
        if (j == mask.size())
            return i == text.size();
        const char32_t m = mask[j];
        if (m == U'*')
            return Match(i, j + 1) || (i < text.size() && Match(i + 1, j));
        if (i == text.size())
            return false;
        const char32_t c = text[i];
        if (m == U'?')
            return Match(i + 1, j + 1);
        if (m == U'#')
            return c >= U'0' && c <= U'9' && Match(i + 1, j + 1);
        if (m == U'[') {
            const std::size_t close = ListClose(mask, j);
            if (close != kNone) {
                const bool negated = mask[j + 1] == U'!';
                const std::size_t from = j + 1 + (negated ? 1 : 0);
                return InList(mask.substr(from, close - from), c) != negated && Match(i + 1, close + 1);
            }
        }
        return c == m && Match(i + 1, j + 1);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto [maskBytes, textBytes] = SplitAt({data, size}, '\0');
    const std::u32string mask = FromUtf8(maskBytes), text = FromUtf8(textBytes);
    if (mask.size() > 200 || text.size() > 200)
        return 0;
    Reference reference{text, mask, std::vector<std::optional<bool>>((text.size() + 1) * (mask.size() + 1))};
    const bool expected = reference.Match(0, 0);
    FUZZ_CHECK(MatchesMask(text, mask) == expected,
               "mask \"" + ToUtf8(mask) + "\" on \"" + ToUtf8(text) + "\" should give " + (expected ? "a match" : "none"));
    return 0;
}
