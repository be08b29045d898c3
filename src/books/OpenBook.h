#pragma once

#include "base/Result.h"
#include "books/BookReader.h"

#include <memory>
#include <string>
#include <string_view>

enum class BookFormat { Text, Html, Epub };

// The format of a book, decided by its first bytes rather than its name: a ZIP archive is an EPUB book (the EPUB
// reader refuses one that is not); a file whose text begins, after a byte-order mark, white space, an XML
// declaration, comments and a DOCTYPE, with HTML markup (or whose DOCTYPE names HTML) is HTML; anything else is
// text.
BookFormat DetectBookFormat(std::string_view head);

struct BookOptions {
    std::string codePage = "Windows-1252";  // for text and HTML that say no encoding and are not UTF-8
    bool skipMatter = false;                // "Skip front and back matter"
};

// Opens the book at path ("-" is standard input, read as text) in its format. A failure's message names the book.
Result<std::unique_ptr<BookReader>> OpenBook(const std::string& path, const BookOptions& options);
