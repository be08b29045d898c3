#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The headings a book sets apart without a mask that names them: "STAVE ONE", "Letter 4", "PART II", "Book the
// First--Recalled to Life", "I. The Period", a number alone on its line; and the contents lists that look like a
// run of headings with little or no text between them. Learnt in the book-layout pass, which sees the whole book
// before a page is laid out.

// What a line says when it is read as a heading.
struct HeadingShape {
    std::u32string keyword;  // in small letters ("chapter", "stave"); empty for a number alone
    std::u32string number;   // as written, without punctuation: "I", "ONE", "12", "First"
    int value = 0;           // what the number counts
    bool roman = false;      // the number is a Roman numeral
    std::u32string title;    // what follows the number, without the separators before it
};

// A line that reads as a heading: a heading word (Chapter, Stave, Letter, Part, Book, Volume, ... written with a
// capital) and a number in figures, Roman numerals or English words, then optionally a title; or a number alone,
// or a number with a full stop or colon and a title that begins with a capital ("I. The Period", "12."). Lines
// longer than a heading, and anything else, give nothing.
std::optional<HeadingShape> ReadHeadingShape(std::u32string_view line);

// A heading the book-layout pass found: the title for the page header (not cut to any room) and the label that
// numbers the pages' names.
struct BookHeading {
    std::u32string title;
    std::u32string label;
};

// Fed every line of the body in order with its number in the file, then asked once for what it found.
class HeadingSurvey {
public:
    // maskHeading: the line matches the chapter mask, so the run takes it for a heading on its own.
    void Add(std::size_t number, std::u32string_view line, bool maskHeading);
    // Forgets everything: what came before the body does not count.
    void Reset();

    struct Found {
        std::map<std::size_t, BookHeading> headings;  // by line number: the headings no mask names
        std::vector<std::size_t> contents;            // sorted line numbers of mask headings in a contents list
    };
    Found Finish() const;

private:
    struct Candidate {
        std::size_t line = 0;
        HeadingShape shape;
        std::u32string text;          // the line, trimmed
        std::u32string titleLine;     // a short line alone right after a heading without a title of its own
        bool mask = false;
        int blanksBefore = 0;
        int blanksAfter = 0;
        bool titleConfirmed = false;  // titleLine stands alone, followed by a blank line
        std::size_t textAfter = 0;    // characters of text from it up to the next candidate
    };
    void Settle(std::u32string_view line, bool blank);

    std::vector<Candidate> mCandidates;
    int mBlanks = 1;  // blank lines just before the current one; the body's first line counts as set apart
    // Where the latest candidate stands in the lines after it: its blank lines, then perhaps its title line.
    enum class After { None, Blanks, Title, Text } mAfter = After::None;
    bool mFull = false;
    std::size_t mFirstLine = 0, mLastLine = 0;  // the body's lines seen: from the first up to, not including, the last
    std::size_t mText = 0;                      // characters of the body's lines  // too many candidates to be headings: the book is a list of numbers, not chapters
};
