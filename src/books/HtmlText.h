#pragma once

#include "books/BookLine.h"

#include <string>
#include <vector>

typedef struct _xmlDoc xmlDoc;

// The text of an HTML or XHTML document as a reader reads it, in BookLines: block elements (p, div, li,
// blockquote, h1-h6, pre, tr, dt, dd, figcaption, and the like) are paragraphs; <br> ends a row within one; <pre>
// keeps its lines and blanks; list items begin with "• " or their number ("1. "); inline elements join their
// neighbours with the source's own spacing; soft hyphens and zero-width characters are dropped; a no-break space
// stays (it joins its two words); an image is its alt text in brackets ("[A map]") when it has one. Left out:
// head, script, style, elements with the hidden attribute or an inline display:none, page-break markers
// (epub:type="pagebreak", role="doc-pagebreak"). Notes (epub:type footnote, endnote, rearnote; role doc-footnote,
// doc-endnote; an aside that a note reference points to) do not interrupt the text: they go after their chapter's
// text under a row "Notes"; the reference stays in the text as its own marker (its text, e.g. "3", in brackets:
// "[3]").
class HtmlText {
public:
    struct Options {
        // h1-h3 open chapters (an HTML book): the highest of these levels that occurs more than once in the
        // document; a single h1 is the book's title, and stays a paragraph. Off for EPUB content documents, whose
        // chapters come from the book's table of contents: their headings are paragraphs.
        bool chaptersFromHeadings = false;
        // Leave out what epub:type (on body or section) marks as cover, titlepage, halftitlepage, imprint,
        // copyright-page, colophon, toc or landmarks (with "Skip front and back matter").
        bool skipMatter = false;
    };

    explicit HtmlText(Options options) : mOptions(options) {}

    // Appends the lines of the document's body to lines. Notes met are kept for EndChapter; with
    // chaptersFromHeadings, a chapter heading first ends the chapter before it (its notes go out before the
    // heading's line).
    void Add(xmlDoc* document, std::vector<BookLine>& lines);
    // Ends the current chapter: appends its notes, if any, after a line "Notes".
    void EndChapter(std::vector<BookLine>& lines);

    // The document's <title>, blanks collapsed; empty when it has none.
    static std::u32string Title(xmlDoc* document);

private:
    Options mOptions;
    std::vector<BookLine> mNotes;
};
