#include "platform/Hyphenator.h"

#include "base/Text.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <hyphen.h>

namespace fs = std::filesystem;

namespace {

const char* kFolder = "/usr/share/hyphen";

bool IsHyphen(char32_t c) { return c == U'-' || c == 0x2010; }

// Where the letters of a word begin and end, its leading and trailing punctuation left out.
std::pair<std::size_t, std::size_t> LetterSpan(std::u32string_view word)
{
    std::size_t from = 0, to = word.size();
    while (from < to && !IsLetter(word[from]))
        ++from;
    while (to > from && !IsLetter(word[to - 1]))
        --to;
    return {from, to};
}

// "LEFTHYPHENMIN 2" and its kind, from the head of a dictionary file.
void ReadMinima(const std::string& path, int& left, int& right)
{
    std::ifstream in(path);
    std::string line;
    for (int i = 0; i < 8 && std::getline(in, line); ++i) {
        if (line.rfind("LEFTHYPHENMIN", 0) == 0)
            left = std::max(1, std::atoi(line.c_str() + 13));
        else if (line.rfind("RIGHTHYPHENMIN", 0) == 0)
            right = std::max(1, std::atoi(line.c_str() + 14));
    }
}

} // namespace

std::vector<std::string> Hyphenator::InstalledLanguages()
{
    std::vector<std::string> languages;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(kFolder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("hyph_", 0) == 0 && name.size() > 9 && name.ends_with(".dic"))
            languages.push_back(name.substr(5, name.size() - 9));
    }
    std::sort(languages.begin(), languages.end());
    return languages;
}

std::unique_ptr<Hyphenator> Hyphenator::ForLanguage(const std::string& code)
{
    std::string wanted = code;
    std::replace(wanted.begin(), wanted.end(), '-', '_');
    const std::string language = wanted.substr(0, wanted.find('_'));
    if (language.empty())
        return nullptr;
    const std::vector<std::string> installed = InstalledLanguages();
    std::string chosen;
    for (const std::string& candidate : {wanted, language})
        if (std::find(installed.begin(), installed.end(), candidate) != installed.end() && chosen.empty())
            chosen = candidate;
    if (chosen.empty())
        for (const std::string& candidate : installed)
            if (candidate.rfind(language + "_", 0) == 0) {
                chosen = candidate;
                break;
            }
    if (chosen.empty())
        return nullptr;
    const std::string path = std::string(kFolder) + "/hyph_" + chosen + ".dic";
    HyphenDict* dictionary = hnj_hyphen_load(path.c_str());
    if (!dictionary)
        return nullptr;
    auto hyphenator = std::unique_ptr<Hyphenator>(new Hyphenator());
    hyphenator->mDictionary = dictionary;
    hyphenator->mUtf8 = dictionary->utf8 != 0;
    hyphenator->mLanguage = chosen;
    ReadMinima(path, hyphenator->mLeftMin, hyphenator->mRightMin);
    return hyphenator;
}

Hyphenator::~Hyphenator()
{
    if (mDictionary)
        hnj_hyphen_free(mDictionary);
}

std::vector<Hyphenator::Break> Hyphenator::BreakPoints(std::u32string_view word) const
{
    constexpr std::size_t kMostKnown = 1 << 15;
    if (const auto known = mKnown.find(std::u32string(word)); known != mKnown.end())
        return known->second;
    if (mKnown.size() >= kMostKnown)
        mKnown.clear();
    std::vector<Break> breaks = LookUp(word);
    mKnown.emplace(word, breaks);
    return breaks;
}

std::vector<Hyphenator::Break> Hyphenator::LookUp(std::u32string_view word) const
{
    std::vector<Break> breaks;
    const auto [from, to] = LetterSpan(word);
    if (to - from < static_cast<std::size_t>(mLeftMin + mRightMin))
        return breaks;
    const std::u32string_view letters = word.substr(from, to - from);
    bool small = false;
    for (char32_t c : word) {
        if (IsDecimalDigit(c) || c == U'/' || c == U'@')
            return breaks;
        small = small || IsSmallLetter(c);
    }
    if (!small)
        return breaks;  // capitals only: an abbreviation or a heading

    // A word's own hyphens, hard or soft, are where it breaks.
    for (std::size_t i = 0; i + 1 < letters.size(); ++i)
        if (IsHyphen(letters[i]) || letters[i] == 0x00AD)
            breaks.push_back({from + i + 1, letters[i] == 0x00AD});
    const auto inWord = [](char32_t c) { return IsLetter(c) || c == U'\'' || c == 0x2019; };
    if (!breaks.empty() || !std::all_of(letters.begin(), letters.end(), inWord))
        return breaks;

    // The dictionary looks words up in small letters, in its own character set; each character is one unit of
    // the lookup, so that positions map back one to one.
    const std::u32string lower = ToLower(letters);
    std::string bytes;
    std::vector<std::size_t> characterAt;  // for every byte, the character it belongs to
    for (std::size_t i = 0; i < lower.size(); ++i) {
        const char32_t c = lower[i] == 0x2019 ? U'\'' : lower[i];
        if (!mUtf8 && c > 0xFF)
            return breaks;  // a letter the dictionary's character set lacks
        const std::size_t before = bytes.size();
        if (!mUtf8)
            bytes.push_back(static_cast<char>(c));
        else
            bytes += ToUtf8(std::u32string_view(&c, 1));
        characterAt.insert(characterAt.end(), bytes.size() - before, i);
    }
    std::vector<char> hyphens(bytes.size() + 5, '0');
    char** replacements = nullptr;
    int* positions = nullptr;
    int* cuts = nullptr;
    if (hnj_hyphen_hyphenate2(mDictionary, bytes.data(), static_cast<int>(bytes.size()), hyphens.data(), nullptr,
                              &replacements, &positions, &cuts) != 0)
        return breaks;
    if (replacements) {
        // A dictionary that respells words at a break (non-standard hyphenation) is not followed there.
        for (std::size_t i = 0; i < bytes.size(); ++i)
            std::free(replacements[i]);
        std::free(replacements);
        std::free(positions);
        std::free(cuts);
        return breaks;
    }
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        // A break after byte i: only at the end of a character, keeping the minimum letters either side.
        if ((hyphens[i] - '0') % 2 != 1 || characterAt[i] == characterAt[i + 1])
            continue;
        const std::size_t before = characterAt[i] + 1, after = letters.size() - before;
        if (before >= static_cast<std::size_t>(mLeftMin) && after >= static_cast<std::size_t>(mRightMin))
            breaks.push_back({from + before, true});
    }
    return breaks;
}
