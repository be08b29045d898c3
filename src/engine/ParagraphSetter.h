#pragma once

#include <forward_list>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class Hyphenator;

// Rows of a paragraph decided before any is drawn, as a book is set: words fill each row first to last, and a
// word that does not fit may be broken at a place the dictionary allows, with a hyphen, when the piece that fits
// leaves a smaller gap than moving the whole word. At most two rows in a row end in a hyphen, and the last word of
// a paragraph stays whole. Drawing the rows (and stretching them to the margin) is the run's.

struct SetRow {
    // The row's words in order; the first keeps the blanks of a paragraph's indent. A line the book keeps is one
    // "word" with its own blanks. They point into the paragraph's text, or into SetText::pieces.
    std::vector<std::u32string_view> words;
    std::vector<float> widths;  // of each word, as measured when the row was set
    bool hyphenated = false;  // the last word is the first piece of a word broken with a hyphen (it ends in "-")
    bool last = false;        // the paragraph's last row
    bool kept = false;        // a kept line's: its words carry their own blanks

    // The row as page text: its words with single blanks (a kept line's as they stand).
    std::u32string Text() const;
};

struct ParagraphStyle {
    float firstRoom = 0;  // room on the first row, in pixels: from where it starts to the right edge
    float room = 0;       // room on every other row
    const Hyphenator* hyphenator = nullptr;  // null: words are not broken
    bool keptLine = false;  // a line the book keeps: broken at its blanks only, which stay as they are
};

struct SetText {
    std::vector<SetRow> rows;
    std::forward_list<std::u32string> pieces;  // the pieces of broken words, and words without their soft hyphens
};

// Sets a paragraph (or a kept line) into rows. measure gives the width of a text in pixels. A word wider than a
// whole row is broken between its characters, as many as fit on each row. The rows point into text, which must
// outlive them.
SetText SetParagraph(std::u32string_view text, const ParagraphStyle& style,
                     const std::function<float(std::u32string_view)>& measure);

// Where pages begin within a paragraph of `rows` rows, when the page in progress has room for firstRoom more
// rows and a new page for pageRows: true at row i when a new page begins before it. With keepEnds, and when the
// paragraph has three rows or more, its first row never stands alone at the foot of a page (an orphan) and its
// last never alone at the top of one (a widow): the page before ends a row earlier, or the paragraph begins on
// the next page. Pages of fewer than four rows cannot spare a row and keep the plain breaks.
std::vector<bool> PageBreaksBefore(int rows, int firstRoom, int pageRows, bool keepEnds);
