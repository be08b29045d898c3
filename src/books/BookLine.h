#pragma once

#include <string>

// One line of a book that says its own structure (an HTML or an EPUB book), as the page layout takes it: where it
// starts and what it holds. A text book says none of this; its lines are judged by the run's rules instead.
struct BookLine {
    enum class Start {
        Paragraph,  // begins a paragraph: a new row, with one empty row above it unless it opens a page
        Row,        // a line the book keeps (after <br>, in <pre>): a new row, no empty row
        Chapter,    // opens a chapter: the page ends, and a new one begins with title in its header
    };
    Start start = Start::Paragraph;
    // The text: one paragraph or kept line, blanks and line breaks of the markup collapsed to single blanks (in
    // <pre>, kept as they are), no markup, entities resolved; may be long. Empty for a chapter's line.
    std::u32string text;
    // With Start::Chapter, the chapter's title: the header's title and the chapter folder's name.
    std::u32string title;
};
