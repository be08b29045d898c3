#include "engine/Masks.h"

#include "base/Text.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace {

bool IsDigitChar(char32_t c) { return c >= U'0' && c <= U'9'; }

// A number text split into its parts, the integer digits without leading zeros.
struct ParsedNumber {
    bool negative = false;
    std::u32string integerDigits;
    std::u32string decimals;
};

std::optional<ParsedNumber> ParseNumber(std::u32string_view text)
{
    const std::u32string trimmed = TrimBlanks(text);
    ParsedNumber number;
    std::size_t i = 0;
    if (i < trimmed.size() && (trimmed[i] == U'-' || trimmed[i] == U'+'))
        number.negative = trimmed[i++] == U'-';
    while (i < trimmed.size() && IsDigitChar(trimmed[i]))
        number.integerDigits.push_back(trimmed[i++]);
    if (i < trimmed.size() && trimmed[i] == U'.') {
        ++i;
        while (i < trimmed.size() && IsDigitChar(trimmed[i]))
            number.decimals.push_back(trimmed[i++]);
    }
    if (i != trimmed.size() || (number.integerDigits.empty() && number.decimals.empty()))
        return std::nullopt;
    number.integerDigits.erase(0, number.integerDigits.find_first_not_of(U'0'));
    return number;
}

// Rounds to the given number of decimals, half away from zero, on the digit text itself.
void RoundDecimals(ParsedNumber& number, std::size_t decimals)
{
    if (number.decimals.size() <= decimals) {
        number.decimals.resize(decimals, U'0');
        return;
    }
    const bool roundUp = number.decimals[decimals] >= U'5';
    number.decimals.resize(decimals);
    if (!roundUp)
        return;
    std::u32string digits = number.integerDigits + number.decimals;
    std::size_t k = digits.size();
    while (k > 0 && digits[k - 1] == U'9')
        digits[--k] = U'0';
    if (k == 0)
        digits.insert(digits.begin(), U'1');
    else
        ++digits[k - 1];
    number.integerDigits = digits.substr(0, digits.size() - decimals);
    number.decimals = digits.substr(digits.size() - decimals);
}

bool IsPlaceholder(char32_t c) { return c == U'0' || c == U'#'; }

std::u32string FormatInteger(std::u32string_view section, const std::u32string& digits)
{
    const auto placeholders = static_cast<std::size_t>(std::count_if(section.begin(), section.end(), IsPlaceholder));
    if (placeholders == 0)
        return std::u32string(section) + digits;
    const std::size_t overflow = digits.size() > placeholders ? digits.size() - placeholders : 0;
    std::u32string out;
    std::size_t k = 0;
    for (char32_t c : section) {
        if (!IsPlaceholder(c)) {
            out.push_back(c);
            continue;
        }
        if (k == 0)
            out.append(digits, 0, overflow);
        // the digit position this placeholder shows, counted from the right
        const std::size_t fromRight = placeholders - 1 - k++;
        if (fromRight < digits.size())
            out.push_back(digits[digits.size() - 1 - fromRight]);
        else if (c == U'0')
            out.push_back(U'0');
    }
    return out;
}

std::u32string FileNumberText(const HeadingContext& context)
{
    return context.fileNumbersOn ? U"File# " + FormatNumber(context.fileNumber, U"00000") : std::u32string();
}

std::u32string PageNumberText(const HeadingContext& context)
{
    return context.documentPagesOn ? U"DocPg# " + FormatNumber(context.documentPage, U"00000") : std::u32string();
}

std::u32string CutToRoom(std::u32string_view title, int room)
{
    if (room <= 0)
        return {};
    return std::u32string(title.substr(0, static_cast<std::size_t>(room)));
}

bool IsMarked(const HeadingContext& context, std::u32string_view line)
{
    return context.isMarkedPhrase && context.isMarkedPhrase(line);
}

} // namespace

bool IsMostlyLetters(std::u32string_view text)
{
    if (TrimBlanks(text).empty())
        return false;
    const auto letters = std::count_if(text.begin(), text.end(), IsLetter);
    return static_cast<float>(letters) / static_cast<float>(text.size()) >= 0.5f;
}

std::u32string FormatNumber(std::u32string_view numberText, std::u32string_view format)
{
    std::optional<ParsedNumber> number = ParseNumber(numberText);
    if (!number || format.empty())
        return std::u32string(numberText);

    const std::size_t point = format.find(U'.');
    const std::u32string_view integerSection = format.substr(0, point);
    const std::u32string_view decimalSection =
        point == std::u32string_view::npos ? std::u32string_view() : format.substr(point + 1);
    RoundDecimals(*number,
                  static_cast<std::size_t>(std::count_if(decimalSection.begin(), decimalSection.end(), IsPlaceholder)));
    if (number->integerDigits.empty())
        number->integerDigits = U"0";

    const bool allZero = number->integerDigits == U"0" &&
                         number->decimals.find_first_not_of(U'0') == std::u32string::npos;
    std::u32string out = number->negative && !allZero ? U"-" : U"";
    out += FormatInteger(integerSection, number->integerDigits);
    if (point == std::u32string_view::npos)
        return out;
    out.push_back(U'.');
    std::size_t next = 0;
    for (char32_t c : decimalSection)
        out.push_back(IsPlaceholder(c) ? number->decimals[next++] : c);
    return out;
}

std::u32string FormatNumber(long long number, std::u32string_view format)
{
    return FormatNumber(ToText(number), format);
}

int TitleRoom(const HeadingContext& context)
{
    const std::size_t taken = FileNumberText(context).size() + PageNumberText(context).size() + 2;
    return context.charsPerLine - static_cast<int>(taken);
}

ChapterHeadingParts SplitChapterHeading(std::u32string_view line)
{
    // Positions below are counted from 0: "Chapter" fills 0..6, its blank is 7, the number starts at 7 (the
    // blank is trimmed off) and the rest at the first blank from 8 on.
    constexpr std::size_t kNumberStart = 7;
    constexpr std::size_t kRestSearch = 8;
    const std::size_t dot = line.find(U'.');
    const std::size_t gap = line.find(U' ', dot == std::u32string_view::npos ? kRestSearch : dot + 1);
    const std::size_t numberEnd = gap == std::u32string_view::npos ? line.size() : gap;

    ChapterHeadingParts parts;
    if (numberEnd > kNumberStart && kNumberStart < line.size())
        parts.number = TrimBlanks(line.substr(kNumberStart, numberEnd - kNumberStart));
    const std::size_t restStart = line.find(U' ', kRestSearch);
    if (restStart != std::u32string_view::npos)
        parts.rest = line.substr(restStart);
    return parts;
}

std::u32string ParagraphNumberText(std::u32string_view line)
{
    const std::size_t dot = line.find(U'.');
    const std::size_t gap = line.find(U' ', dot == std::u32string_view::npos ? 0 : dot + 1);
    return gap == std::u32string_view::npos ? std::u32string() : std::u32string(line.substr(0, gap + 1));
}

bool DetectHeading(const HeadingContext& context, std::u32string_view line, std::u32string_view previousLine,
                   std::u32string_view chapterMask, std::u32string_view paragraphMask,
                   std::u32string& chapterTitle, std::u32string& chapterLabel)
{
    // The room for the title is worked out only for a heading: it formats both numbers, and most lines are not.
    if (context.chapterOn && !chapterMask.empty() && MatchesMask(line, chapterMask) &&
        !IsMostlyLetters(previousLine) && !IsMarked(context, line)) {
        const ChapterHeadingParts parts = SplitChapterHeading(line);
        chapterLabel = U"Ch " + FormatNumber(parts.number, context.format);
        chapterTitle = ToUpper(CutToRoom(chapterLabel + parts.rest, TitleRoom(context)));
        return true;
    }

    if (context.paragraphOn && !paragraphMask.empty() && previousLine.empty() &&
        MatchesMask(U" " + std::u32string(line), paragraphMask)) {
        chapterLabel = U"Par " + FormatNumber(ParagraphNumberText(line), context.format);
        chapterTitle = CutToRoom(U"Par " + std::u32string(line), TitleRoom(context));
        return true;
    }
    return false;
}
