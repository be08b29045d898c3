#include "engine/BookHeadings.h"

#include "base/Text.h"

#include <algorithm>
#include <array>

namespace {

// Longer lines are text, not headings; a title line after a heading is shorter still.
constexpr std::size_t kLongestHeading = 80;
constexpr std::size_t kLongestTitleLine = 60;
// Headings this close together are the entries of a contents list: less text than two lines of prose.
constexpr std::size_t kContentsGap = 120;
constexpr std::size_t kContentsRun = 3;
// A book with more numbered lines than this is a list, and none of them are chapters.
constexpr std::size_t kMostCandidates = 20000;
// "CHAPTER THE LAST" counts as the number after the one before it.
constexpr int kLast = 100000;

constexpr std::array<std::u32string_view, 26> kKeywords = {
    U"chapter", U"chap", U"stave", U"letter", U"book", U"part", U"volume", U"vol", U"canto", U"section",
    U"act", U"scene", U"adventure", U"story", U"episode", U"fit", U"lecture", U"epistle", U"chapitre", U"livre",
    U"partie", U"kapitel", U"teil", U"capítulo", U"capitolo", U"libro"};

constexpr std::array<std::u32string_view, 20> kCardinals = {
    U"one", U"two", U"three", U"four", U"five", U"six", U"seven", U"eight", U"nine", U"ten", U"eleven", U"twelve",
    U"thirteen", U"fourteen", U"fifteen", U"sixteen", U"seventeen", U"eighteen", U"nineteen", U"twenty"};
constexpr std::array<std::u32string_view, 20> kOrdinals = {
    U"first", U"second", U"third", U"fourth", U"fifth", U"sixth", U"seventh", U"eighth", U"ninth", U"tenth",
    U"eleventh", U"twelfth", U"thirteenth", U"fourteenth", U"fifteenth", U"sixteenth", U"seventeenth",
    U"eighteenth", U"nineteenth", U"twentieth"};
constexpr std::array<std::u32string_view, 8> kTens = {U"twenty", U"thirty", U"forty", U"fifty",
                                                      U"sixty",  U"seventy", U"eighty", U"ninety"};

int IndexIn(std::u32string_view word, const auto& list)
{
    const auto at = std::find(list.begin(), list.end(), word);
    return at == list.end() ? -1 : static_cast<int>(at - list.begin());
}

int RomanDigit(char32_t c)
{
    switch (c) {
    case U'I': return 1;
    case U'V': return 5;
    case U'X': return 10;
    case U'L': return 50;
    case U'C': return 100;
    case U'D': return 500;
    case U'M': return 1000;
    default: return 0;
    }
}

std::u32string ToRoman(int value)
{
    static constexpr std::pair<int, std::u32string_view> kParts[] = {
        {1000, U"M"}, {900, U"CM"}, {500, U"D"}, {400, U"CD"}, {100, U"C"}, {90, U"XC"}, {50, U"L"},
        {40, U"XL"},  {10, U"X"},   {9, U"IX"},  {5, U"V"},    {4, U"IV"},  {1, U"I"}};
    std::u32string roman;
    for (const auto& [amount, letters] : kParts)
        for (; value >= amount; value -= amount)
            roman += letters;
    return roman;
}

// The value of a Roman numeral in its usual form, all capitals or all small letters; 0 for anything else.
int RomanValue(std::u32string_view word)
{
    if (word.empty() || word.size() > 15)
        return 0;
    const bool small = word[0] >= U'a';
    std::u32string upper(word);
    for (char32_t& c : upper) {
        if ((c >= U'a') != small)
            return 0;
        if (small)
            c = c - U'a' + U'A';
    }
    int value = 0;
    for (std::size_t i = 0; i < upper.size(); ++i) {
        const int digit = RomanDigit(upper[i]);
        if (digit == 0)
            return 0;
        value += i + 1 < upper.size() && RomanDigit(upper[i + 1]) > digit ? -digit : digit;
    }
    return value > 0 && value < 4000 && ToRoman(value) == upper ? value : 0;
}

bool IsWordCharacter(char32_t c) { return IsLetter(c) || IsDecimalDigit(c); }

bool IsSeparator(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'.' || c == U':' || c == U',' || c == U';' || c == U'-' ||
           c == U'_' || c == 0x2013 || c == 0x2014 || c == 0x2015;
}

// The number at the start of text: figures (with decimals), a Roman numeral or English words ("TWENTY-ONE",
// "the First"). Answers its length in text, or 0.
std::size_t ReadNumber(std::u32string_view text, HeadingShape& shape, bool wordsToo)
{
    std::size_t end = 0;
    while (end < text.size() && IsWordCharacter(text[end]))
        ++end;
    if (end == 0)
        return 0;
    const std::u32string_view word = text.substr(0, end);
    if (std::all_of(word.begin(), word.end(), [](char32_t c) { return c >= U'0' && c <= U'9'; })) {
        if (word.size() > 4)
            return 0;
        shape.value = std::stoi(ToUtf8(word));
        // "1.2": the decimals belong to the number
        if (end + 1 < text.size() && text[end] == U'.' && text[end + 1] >= U'0' && text[end + 1] <= U'9')
            for (++end; end < text.size() && text[end] >= U'0' && text[end] <= U'9';)
                ++end;
        shape.number = text.substr(0, end);
        return end;
    }
    if (const int roman = RomanValue(word)) {
        shape.value = roman, shape.roman = true, shape.number = word;
        return end;
    }
    if (!wordsToo)
        return 0;
    const std::u32string lower = ToLower(word);
    if (lower == U"last") {
        shape.value = kLast, shape.number = word;
        return end;
    }
    if (const int ordinal = IndexIn(lower, kOrdinals); ordinal >= 0) {
        shape.value = ordinal + 1, shape.number = word;
        return end;
    }
    if (const int tens = IndexIn(lower, kTens); tens >= 0 && end + 1 < text.size() && text[end] == U'-') {
        std::size_t unitsEnd = end + 1;
        while (unitsEnd < text.size() && IsLetter(text[unitsEnd]))
            ++unitsEnd;
        const std::u32string units = ToLower(text.substr(end + 1, unitsEnd - end - 1));
        const int unit = std::max(IndexIn(units, kCardinals), IndexIn(units, kOrdinals));
        if (unit >= 0 && unit < 9) {
            shape.value = 20 + 10 * tens + unit + 1, shape.number = text.substr(0, unitsEnd);
            return unitsEnd;
        }
    }
    if (const int cardinal = IndexIn(lower, kCardinals); cardinal >= 0) {
        shape.value = cardinal + 1, shape.number = word;
        return end;
    }
    if (const int tens = IndexIn(lower, kTens); tens >= 0) {
        shape.value = 20 + 10 * tens, shape.number = word;
        return end;
    }
    return 0;
}

std::u32string CollapseBlanks(std::u32string_view text)
{
    std::u32string collapsed;
    for (char32_t c : text)
        if (!((c == U' ' || c == U'\t') && (collapsed.empty() || collapsed.back() == U' ')))
            collapsed.push_back(c == U'\t' ? U' ' : c);
    while (!collapsed.empty() && collapsed.back() == U' ')
        collapsed.pop_back();
    return collapsed;
}

std::u32string TrimWhite(std::u32string_view text)
{
    const std::size_t first = text.find_first_not_of(U" \t");
    if (first == std::u32string_view::npos)
        return {};
    return std::u32string(text.substr(first, text.find_last_not_of(U" \t") - first + 1));
}

// The numbers of one kind of heading count up through the book, starting again at 1 in each part.
bool Rising(const std::vector<int>& values, double share)
{
    std::size_t rising = 0;
    for (std::size_t i = 1; i < values.size(); ++i)
        rising += values[i] > 0 && (values[i] == values[i - 1] + 1 || values[i] == 1 || values[i] == kLast);
    return static_cast<double>(rising) >= share * static_cast<double>(values.size() - 1);
}

} // namespace

std::optional<HeadingShape> ReadHeadingShape(std::u32string_view line)
{
    const std::u32string text = TrimWhite(line);
    if (text.empty() || text.size() > kLongestHeading)
        return std::nullopt;
    HeadingShape shape;
    std::size_t at = 0;
    while (at < text.size() && IsLetter(text[at]))
        ++at;
    std::size_t numberEnd = 0;
    if (at > 0 && IsCapitalLetter(text[0]) && at < text.size() && (text[at] == U' ' || text[at] == U'\t')) {
        const std::u32string keyword = ToLower(std::u32string_view(text).substr(0, at));
        if (IndexIn(keyword, kKeywords) >= 0) {
            std::size_t from = text.find_first_not_of(U" \t", at);
            // "Book the First"
            if (text.size() - from > 4 && ToLower(std::u32string_view(text).substr(from, 4)) == U"the ")
                from = text.find_first_not_of(U" \t", from + 4);
            const std::size_t length = from == std::u32string::npos
                                           ? 0
                                           : ReadNumber(std::u32string_view(text).substr(from), shape, true);
            if (length > 0) {
                shape.keyword = keyword;
                numberEnd = from + length;
            }
        }
    }
    // "EPILOGUE", "Prologue", "FIRST EPILOGUE: 1813 - 20": the book's ends, numbered or not.
    if (shape.keyword.empty() && at > 0 && IsCapitalLetter(text[0])) {
        std::size_t word = 0, wordEnd = at;
        HeadingShape ordinal;
        if (ReadNumber(text, ordinal, true) == at && ordinal.value > 0 && !ordinal.roman && at < text.size() &&
            text[at] == U' ') {
            word = text.find_first_not_of(U' ', at);
            for (wordEnd = word; wordEnd < text.size() && IsLetter(text[wordEnd]);)
                ++wordEnd;
        }
        const std::u32string name = ToLower(std::u32string_view(text).substr(word, wordEnd - word));
        if (name == U"prologue" || name == U"epilogue") {
            shape = word > 0 ? ordinal : HeadingShape{};
            shape.keyword = name;
            numberEnd = wordEnd;
        }
    }
    if (shape.keyword.empty()) {
        // A number alone: figures or capital Roman numerals, then nothing, or a stop and a title with a capital.
        shape = {};
        const std::size_t length = ReadNumber(text, shape, false);
        if (length == 0 || (shape.roman && text[0] >= U'a') || (!shape.roman && shape.value > 999))
            return std::nullopt;
        numberEnd = length;
        const std::u32string_view rest = std::u32string_view(text).substr(numberEnd);
        if (!rest.empty()) {
            if (rest[0] != U'.' && rest[0] != U':')
                return std::nullopt;
            const std::size_t title = rest.find_first_not_of(U" \t", 1);
            if (title != std::u32string_view::npos && (title == 1 || !IsCapitalLetter(rest[title])))
                return std::nullopt;
        }
    }
    if (numberEnd < text.size() && IsWordCharacter(text[numberEnd]))
        return std::nullopt;  // "Partly", "Book 3rd": the number runs on into a word
    std::size_t title = numberEnd;
    while (title < text.size() && IsSeparator(text[title]))
        ++title;
    shape.title = text.substr(title);
    return shape;
}

void HeadingSurvey::Reset()
{
    mCandidates.clear();
    mBlanks = 1;
    mAfter = After::None;
    mFull = false;
    mFirstLine = mLastLine = mText = 0;
}

// Follows the lines after the latest candidate: the blank lines under it, then perhaps a title line of its own.
// Answers through mAfter whether this line is still part of the heading.
void HeadingSurvey::Settle(std::u32string_view line, bool blank)
{
    Candidate& latest = mCandidates.back();
    switch (mAfter) {
    case After::Blanks:
        if (blank) {
            ++latest.blanksAfter;
        } else if (latest.shape.title.empty() && line.size() <= kLongestTitleLine) {
            latest.titleLine = line;
            mAfter = After::Title;
        } else {
            mAfter = After::Text;
        }
        break;
    case After::Title:
        if (blank) {
            latest.titleConfirmed = true;
        } else {
            latest.textAfter += latest.titleLine.size();
            latest.titleLine.clear();
        }
        mAfter = After::Text;
        break;
    case After::Text:
    case After::None: break;
    }
}

void HeadingSurvey::Add(std::size_t number, std::u32string_view line, bool maskHeading)
{
    if (mFull)
        return;
    if (mLastLine == 0)
        mFirstLine = number;
    mLastLine = number + 1;
    const std::u32string text = TrimWhite(line);
    const bool blank = text.empty();
    std::optional<HeadingShape> shape;
    // Lines that read as headings without standing alone take part in finding contents lists: a list's entries
    // follow each other line by line as often as not.
    if (!blank)
        shape = ReadHeadingShape(text);
    if (!shape && maskHeading)
        shape = HeadingShape{};
    if (shape) {
        if (mAfter == After::Title)  // the title line had no blank line under it
            Settle(U"", false);
        if (mCandidates.size() == kMostCandidates) {
            mFull = true;
            mCandidates.clear();
            return;
        }
        Candidate& candidate = mCandidates.emplace_back();
        candidate.line = number;
        candidate.shape = std::move(*shape);
        candidate.text = text;
        candidate.mask = maskHeading;
        candidate.blanksBefore = mBlanks;
        mAfter = After::Blanks;
    } else if (!mCandidates.empty()) {
        Settle(text, blank);
        if (!blank && mAfter == After::Text)
            mCandidates.back().textAfter += text.size();
    }
    mText += text.size();
    mBlanks = blank ? mBlanks + 1 : 0;
}

HeadingSurvey::Found HeadingSurvey::Finish() const
{
    Found found;
    const auto alone = [](const Candidate& c) { return c.blanksBefore > 0 && (c.blanksAfter > 0 || c.titleConfirmed); };
    // What names a heading: its word and number, or its text when the number is not read.
    const auto key = [](const Candidate& c) {
        return c.shape.value > 0 ? c.shape.keyword + U"#" + ToText(c.shape.value) : U"=" + c.text;
    };
    std::map<std::u32string, std::size_t> lastSeen;  // the line of each key's last candidate
    for (const Candidate& c : mCandidates)
        lastSeen[key(c)] = c.line;

    // Contents lists: runs of three headings or more with little text between them. An entry with a heading word
    // is one only when its heading comes again later in the book; a run ends where its first entry comes again,
    // which is the book's first heading right after its contents.
    std::vector<bool> inContents(mCandidates.size());
    for (std::size_t first = 0; first < mCandidates.size();) {
        std::size_t last = first;
        while (last + 1 < mCandidates.size() && mCandidates[last].textAfter < kContentsGap &&
               key(mCandidates[last + 1]) != key(mCandidates[first]))
            ++last;
        for (std::size_t i = first; last - first + 1 >= kContentsRun && i <= last; ++i) {
            const Candidate& c = mCandidates[i];
            // A number alone last in the run has the text of its chapter under it.
            if (c.shape.keyword.empty() && !c.mask)
                inContents[i] = i < last;
            else
                inContents[i] = lastSeen[key(c)] > mCandidates[last].line;
            if (inContents[i] && c.mask)
                found.contents.push_back(c.line);
        }
        first = last + 1;
    }

    // Each kind of heading the mask does not name: a heading word, or a number alone in figures or in Roman
    // numerals. A kind counts when it comes back with rising numbers; a number alone needs more to go on.
    // The mask's own headings count for their kind, so that "CHAPTER THE LAST" goes with "CHAPTER XLII".
    std::map<std::u32string, std::vector<const Candidate*>> kinds;
    for (std::size_t i = 0; i < mCandidates.size(); ++i) {
        const Candidate& c = mCandidates[i];
        if (inContents[i] || !(c.mask || alone(c)) || (c.mask && c.shape.keyword.empty()))
            continue;
        // A number alone is set apart more above than below, as a heading is, unless it comes right under one
        // (a numbered law or list item in the text has a blank line on either side).
        const bool underHeading = i > 0 && mCandidates[i - 1].textAfter == 0 && !inContents[i - 1] &&
                                  (mCandidates[i - 1].mask || alone(mCandidates[i - 1]));
        if (c.shape.keyword.empty() && c.blanksBefore <= c.blanksAfter && !underHeading)
            continue;
        kinds[!c.shape.keyword.empty() ? c.shape.keyword : c.shape.roman ? U"#roman" : U"#figures"].push_back(&c);
    }
    // A kind of heading divides the book: one whose members all stand within a twentieth of its lines, with less
    // than a twentieth of its text under them, is a list in the front matter. A prologue or an epilogue goes with a book that has chapters.
    bool chapters = std::any_of(mCandidates.begin(), mCandidates.end(), [&](const Candidate& c) {
        return c.mask && !inContents[static_cast<std::size_t>(&c - mCandidates.data())];
    });
    std::vector<const std::vector<const Candidate*>*> accepted;
    for (const auto& [kind, members] : kinds) {
        const bool numberAlone = kind.starts_with(U"#");
        std::vector<int> values;
        for (const Candidate* c : members)
            values.push_back(c->shape.value);
        const std::size_t span = members.back()->line - members.front()->line;
        std::size_t text = 0;
        for (const Candidate* c : members)
            text += c->textAfter;
        if (kind == U"prologue" || kind == U"epilogue" || members.size() < (numberAlone ? 3u : 2u) ||
            !Rising(values, numberAlone ? 0.75 : 0.6) || (span * 20 < mLastLine - mFirstLine && text * 20 < mText))
            continue;
        accepted.push_back(&members);
        chapters = true;
    }
    for (const auto& [kind, members] : kinds)
        if ((kind == U"prologue" || kind == U"epilogue") && chapters)
            accepted.push_back(&members);
    for (const auto* members : accepted) {
        const std::u32string& kind = (*members)[0]->shape.keyword;
        const bool numberAlone = kind.empty();
        for (const Candidate* c : *members) {
            if (c->mask)
                continue;
            BookHeading heading;
            heading.title = CollapseBlanks(c->text);
            if (c->titleConfirmed)
                heading.title += U" " + CollapseBlanks(c->titleLine);
            const bool words = !c->shape.number.empty() && !c->shape.roman && !IsDecimalDigit(c->shape.number[0]);
            const std::u32string number = words && c->shape.value != kLast ? ToText(c->shape.value) : c->shape.number;
            if (numberAlone || kind == U"chapter" || kind == U"chap")
                heading.label = U"Ch " + number;
            else
                heading.label = ToUpper(kind.substr(0, 1)) + kind.substr(1) + (number.empty() ? U"" : U" " + number);
            found.headings.emplace(c->line, std::move(heading));
        }
    }
    return found;
}
