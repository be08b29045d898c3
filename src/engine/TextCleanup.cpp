#include "engine/TextCleanup.h"

#include "base/Text.h"
#include "base/Rounding.h"

#include <algorithm>

namespace {
bool InList(std::u32string_view s, std::u32string_view list)
{
    return !s.empty() && list.find(s) != std::u32string_view::npos;
}
} // namespace

bool IsCapital(std::u32string_view s) { return s.size() == 1 && IsCapitalLetter(s[0]); }
bool IsLowerClass(std::u32string_view s) { return s.size() == 1 && (IsSmallLetter(s[0]) || InList(s, U"(),")); }
bool EndsSentence(std::u32string_view s) { return InList(s, U".?:"); }
bool IsDigit(std::u32string_view s) { return s.size() == 1 && s[0] >= U'0' && s[0] <= U'9'; }

std::optional<char32_t> NewPageCharacter(std::u32string_view codeText)
{
    const std::u32string trimmed = TrimBlanks(codeText);
    if (trimmed.empty() || trimmed.size() > 7)
        return std::nullopt;
    char32_t code = 0;
    for (char32_t c : trimmed) {
        if (c < U'0' || c > U'9')
            return std::nullopt;
        code = code * 10 + (c - U'0');
    }
    if (code == 0 || code > 0x10FFFF)
        return std::nullopt;
    return code;
}

bool IsNewPageLine(std::u32string_view line, std::optional<char32_t> newPageCharacter)
{
    return newPageCharacter && line.find(*newPageCharacter) != std::u32string_view::npos;
}

std::u32string WithoutControlCharacters(std::u32string_view line, std::optional<char32_t> newPageCharacter)
{
    std::u32string kept;
    kept.reserve(line.size());
    for (char32_t c : line) {
        if ((newPageCharacter && c == *newPageCharacter) || c >= 32)
            kept.push_back(c);
        else if (c == U'\t')
            kept.push_back(U' ');
    }
    return kept;
}

bool IsPunctuationPhrase(std::u32string_view phrase)
{
    // Control characters (the form feed) are not punctuation: a line beginning with one is junk.
    const auto punctuation = [](char32_t c) {
        return c == U' ' || (c > 32 && c != 0x7F && !IsLetter(c) && !IsDecimalDigit(c));
    };
    return !TrimBlanks(phrase).empty() && std::all_of(phrase.begin(), phrase.end(), punctuation);
}

bool IsMarkedPhrase(std::u32string_view line, bool skipOn, const std::vector<std::u32string>& phrases)
{
    if (!skipOn)
        return false;
    std::u32string trimmedLine;
    bool trimmed = false;
    for (std::size_t i = 1; i < phrases.size(); ++i) {
        const std::u32string_view phrase = phrases[i];
        // Lines of story begin with "..." or "--" as well as junk does: a phrase of punctuation alone marks only
        // a line that is nothing else.
        if (IsPunctuationPhrase(phrase)) {
            if (!trimmed)
                trimmedLine = TrimBlanks(line), trimmed = true;
            if (!trimmedLine.empty() && trimmedLine == TrimBlanks(phrase))
                return true;
            continue;
        }
        const std::size_t length = std::min(phrase.size(), line.size());
        if (length >= 1 && line.substr(0, length) == phrase.substr(0, length))
            return true;
    }
    return false;
}

LineStart EvaluateLineStart(const LineStartInput& in)
{
    LineStart start;
    const std::size_t blank = in.line.find(U' ');
    if (blank != std::u32string_view::npos && blank > 0)
        start.firstWord = TrimBlanks(in.line.substr(0, blank + 1));
    start.fitWidth = RoundHalfEven(in.measure(U" " + start.firstWord) + static_cast<double>(in.previousLineWidth));
    start.isShort = in.lineWidth < 0.7f * static_cast<float>(in.referenceWidth);
    start.loose = IsDigit(in.previousFirstChar) || start.isShort;
    const std::u32string trimmed = TrimBlanks(in.line);
    start.firstChar = trimmed.substr(0, 1);
    if (in.smartLineFeeds) {
        start.overflows = start.fitWidth > in.referenceWidth;
        start.stopThenCapital = (IsDigit(start.firstChar) || IsCapital(start.firstChar)) && EndsSentence(in.lastChar);
        start.lowerToLower = IsLowerClass(start.firstChar) && IsLowerClass(in.lastChar);
        // Of the leading-word test only this much is settled: a line without a first word counts as one.
        start.leadingWord = start.firstWord.empty();
    }
    return start;
}

bool StartsNewRow(const LineStart& start, std::u32string_view lastChar)
{
    return start.stopThenCapital ||
           (!lastChar.empty() && !start.lowerToLower && !start.overflows && !start.leadingWord);
}

bool BlankLineBreaks(const LineStart& start, int blankCount, std::u32string_view lastChar)
{
    return blankCount == 0 && (EndsSentence(lastChar) || start.loose);
}
