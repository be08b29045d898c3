#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <string_view>
#include <vector>

typedef struct _HyphenDict HyphenDict;

// Where a word may be broken at the end of a row, from the pattern dictionaries of libhyphen that Debian installs
// (/usr/share/hyphen/hyph_<language>.dic, from the hyphen-* packages).
class Hyphenator {
public:
    // The dictionary for a language code ("en-US", "en_US", "en", "de", "fr-CA"): the exact one, else the
    // language's own, else the first of its countries; nothing when none is installed.
    static std::unique_ptr<Hyphenator> ForLanguage(const std::string& code);
    // The language codes of the installed dictionaries ("de_DE", "en_US", ...), sorted.
    static std::vector<std::string> InstalledLanguages();
    ~Hyphenator();
    Hyphenator(const Hyphenator&) = delete;
    Hyphenator& operator=(const Hyphenator&) = delete;

    // A place a word may be broken: after `after` characters of it, with a hyphen added, or none when the word
    // breaks after a hyphen of its own.
    struct Break {
        std::size_t after = 0;
        bool addHyphen = true;
        bool operator==(const Break&) const = default;
    };
    // The places a word (as it stands in the text, punctuation and all) may be broken, in order. A word with a
    // hyphen or a soft hyphen of its own breaks there only; one with digits, one in capitals only, and one that
    // looks like an address ("/", "@") does not break at all. The dictionary's minimum lengths before and after
    // a break are kept (at least 2 and 3 letters where it names none).
    std::vector<Break> BreakPoints(std::u32string_view word) const;

    const std::string& Language() const { return mLanguage; }

private:
    Hyphenator() = default;
    HyphenDict* mDictionary = nullptr;
    bool mUtf8 = true;  // the dictionary's character set: UTF-8, or ISO-8859-1
    int mLeftMin = 2, mRightMin = 3;
    std::string mLanguage;
    // The dictionary's answers for words looked up before: a book uses its words again and again.
    mutable std::unordered_map<std::u32string, std::vector<Break>> mKnown;
    std::vector<Break> LookUp(std::u32string_view word) const;
};
