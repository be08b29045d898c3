#pragma once

#include "books/LibraryMatter.h"
#include "engine/BookHeadings.h"

#include <cstddef>
#include <functional>
#include <limits>
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class BookReader;

// How a book lays out its text, learnt in a first pass over it: the width its lines are wrapped at, how it tells
// its paragraphs apart, and where its front and back matter end and begin. Widths count characters, as the
// source was wrapped by a program counting them.


struct BookLayout {
    enum class Paragraphs {
        BlankLines,  // a blank line between paragraphs
        Indented,    // the first line of a paragraph indented, usually no blank line between
        Lines,       // every line is a paragraph: the lines are not wrapped and no blank line separates them
    };
    int usualWidth = 0;  // the width the lines are wrapped at; 0 when they are not wrapped at a fixed width
    Paragraphs paragraphs = Paragraphs::BlankLines;
    int baseIndent = 0;       // the blanks in front of most lines
    int paragraphIndent = 0;  // Indented: the blanks in front of a paragraph's first line
    // Lines counted from 0 over the whole file: the body runs from bodyStart up to, not including, bodyEnd.
    std::size_t bodyStart = 0;
    std::size_t bodyEnd = std::numeric_limits<std::size_t>::max();
    // With headings looked for: those no mask names, and the mask's headings that are entries of a contents list
    // (sorted line numbers), which are laid out as text.
    std::map<std::size_t, BookHeading> headings;
    std::vector<std::size_t> contents;

    const BookHeading* HeadingAt(std::size_t line) const;
    bool InContents(std::size_t line) const { return std::binary_search(contents.begin(), contents.end(), line); }
};

// The chapter mask's answer for a line, as far as the line alone can tell.
using MaskHeadingTest = std::function<bool(std::u32string_view line)>;

// The first pass: every line of the file in order, then Result.
class BookSurvey {
public:
    // With findHeadings, it also looks for the book's headings (isMaskHeading may be empty: no mask).
    explicit BookSurvey(bool skipFrontAndBackMatter, bool findHeadings = false, MaskHeadingTest isMaskHeading = {})
        : mSkipMatter(skipFrontAndBackMatter), mFindHeadings(findHeadings), mIsMaskHeading(std::move(isMaskHeading))
    {
    }

    void Add(std::u32string_view line);
    BookLayout Result() const;

private:
    void Reset();

    bool mSkipMatter;
    bool mFindHeadings;
    MaskHeadingTest mIsMaskHeading;
    HeadingSurvey mHeadings;
    std::size_t mLineNumber = 0;
    BookLayout mBody;
    bool mEnded = false;
    bool mFrontFound = false;
    // Statistics of the body's lines.
    std::u32string mPrevious;  // the last line that was not blank
    bool mBlankBefore = false;
    std::size_t mLines = 0;        // lines that are not blank
    std::size_t mPairs = 0;        // lines that follow a line that is not blank
    std::size_t mBlankStarts = 0;  // lines that follow a blank line
    std::vector<int> mWidthVotes;  // a difference array: the wrapping widths each pair of lines agrees with
    std::map<int, std::size_t> mIndents;                      // blanks in front of a line: how many lines
    std::map<std::pair<int, int>, std::size_t> mIndentSteps;  // (indent before, deeper indent after): how often
};

// Reads the whole book once through a survey, then rewinds it for the run; clean prepares each line as the run
// will see it. Answers nothing, with the reason in error, when the book cannot be read.
std::optional<BookLayout> SurveyBook(BookReader& reader, BookSurvey survey,
                                     const std::function<void(std::u32string&)>& clean, std::string& error);

// Where a line that is not blank starts when the book's own paragraphs decide: joined to the row before, on a
// row of its own (a line the book kept: verse, lists, headings, addresses, signatures) or as a new paragraph.
// previous is the last line before it that was not blank (empty at the start of the body); blankBefore tells
// that one or more blank lines came between them.
enum class BookBreak { Join, Row, Paragraph };
BookBreak BookLineStart(const BookLayout& layout, std::u32string_view previous, bool blankBefore,
                        std::u32string_view line);
