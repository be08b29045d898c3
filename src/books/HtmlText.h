#pragma once

#include "books/BookLine.h"

#include <string>
#include <vector>

typedef struct _xmlDoc xmlDoc;

// The text of an HTML or XHTML document as a reader reads it, in BookLines: block elements (p, div, li, blockquote,
// h1-h6, pre, tr, dt, dd, figcaption, and the like) are paragraphs; <br> ends a row within one, and two in a row begin
// a paragraph (a stanza: one empty row between); <pre> keeps its lines and blanks; list items begin with "• " or their
// number ("1. ", from the list's start, reversed and type); a table row is a paragraph, its cells separated by a blank;
// inline elements join their neighbours with the source's own spacing, <q> in quotation marks; soft hyphens and
// zero-width characters are dropped; a no-break space stays (it joins its two words); an image is its alt text in
// brackets ("[A map]") when it has one, an <svg> its <title>. Left out: head, script, style, template, noscript, audio
// and video fallbacks, elements with the hidden attribute or an inline display:none, page-break markers
// (epub:type="pagebreak", role="doc-pagebreak") and a note's link back to its reference (epub:type="backlink",
// role="doc-backlink"). Notes (epub:type footnote(s), endnote(s), rearnote(s); role doc-footnote, doc-endnote(s); an
// aside that a link points to) do not interrupt the text: they go after their chapter's text under a row "Notes", each
// a paragraph; the reference stays in the text as its own marker (its text, e.g. "3", in brackets: "[3]"; "[3]" stays
// "[3]").
class HtmlText {
public:
    struct Options {
        // h1-h3 open chapters (an HTML book): the highest of these levels that occurs more than once in the
        // document, counting only headings with text of their own after them (before the next heading of their
        // level or a higher one), so that a title page's headings ("BY", the author) stay paragraphs; a single h1
        // is the book's title, and stays a paragraph. A chapter's line has the heading's text as its title, no-break
        // spaces as blanks. Off for EPUB content documents, whose chapters come from the book's table of contents:
        // their headings are paragraphs.
        bool chaptersFromHeadings = false;
        // Leave out what epub:type (on body, section, nav or any element) marks as cover, titlepage,
        // halftitlepage, imprint, copyright-page, colophon, toc, landmarks, loi, lot or page-list, or role as
        // doc-cover, doc-toc, doc-colophon or doc-pagelist (with "Skip front and back matter").
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
