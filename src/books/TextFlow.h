#pragma once

#include "books/BookLine.h"

#include <string>
#include <string_view>
#include <vector>

// Text poured into BookLines as a browser would lay it out: runs of blanks, tabs and line breaks of the markup
// become one blank, none at a paragraph's start or end; a paragraph exists only once it has a visible character,
// so nested blocks and empty elements make no empty paragraphs. Soft hyphens and zero-width characters are
// dropped; a no-break space is an ordinary character.
class TextFlow {
public:
    // Keep is <pre>: blanks stay, each line break ends a row, a tab goes to the next column that is a multiple
    // of 8.
    enum class Spacing { Collapse, Keep };

    void Add(std::string_view utf8, Spacing spacing);
    void Add(std::u32string_view text, Spacing spacing);
    // <br>: the next text begins a row. A second one in a row begins a paragraph instead (a stanza); in <pre>
    // every one counts, as a line break does.
    void LineBreak(Spacing spacing);
    // A block's start or end: the next text begins a paragraph.
    void EndParagraph();
    // What the next paragraph begins with (a list item's "• " or "3. "), once it has text of its own.
    void SetPrefix(std::u32string prefix) { mPrefix = std::move(prefix); }
    void ClearPrefix() { mPrefix.clear(); }
    // A table cell: its text follows the row's text after a blank, whatever spacing the markup has.
    void CellBreak() { mSeparator = true; }
    // Lines made elsewhere (a chapter's line, notes), after the paragraph, which they end.
    void Append(BookLine line);

    std::vector<BookLine>& Lines() { return mLines; }
    // Every line's text joined by blanks, no-break spaces as blanks, runs of blanks as one: a title.
    std::u32string Joined() const;

private:
    void Put(char32_t c, Spacing spacing);
    void Open(Spacing spacing);

    std::vector<BookLine> mLines;
    bool mOpen = false;        // mLines.back() is the paragraph that text goes on
    int mRows = 0;             // line breaks waiting for the next text
    bool mSpace = false;       // a blank waiting for the next text
    bool mSeparator = false;   // a cell waiting for its text
    bool mAfterCr = false;     // in Keep, a CR just ended a row: a LF right after it is the same break
    std::u32string mPrefix;
};
