#pragma once

#include "books/BookLine.h"

#include <cstdint>
#include <string>
#include <vector>

// What the title page of a book says, where the book says it (an EPUB's metadata, an HTML book's <title>).
struct BookInfo {
    std::u32string title;
    std::u32string author;
    std::string language;
};

// A book read line by line, whatever its format. A text book hands out its lines as the file holds them, and the
// run's rules decide where each starts; an HTML or EPUB book says so itself, through Structure.
class BookReader {
public:
    virtual ~BookReader() = default;

    // The next line (or the next piece of a long one); false at the end of the book. Continues tells that the
    // piece just read was cut, and the next goes on with its line.
    virtual bool ReadLine(std::u32string& line) = 0;
    virtual bool Continues() const = 0;
    // For a book that says its own structure: how the line just read begins (for its first piece; its text is
    // what ReadLine handed out). Nothing for a text book.
    virtual const BookLine* Structure() const { return nullptr; }
    // The book says its own structure (every line's Structure), so no survey of its layout is needed.
    virtual bool IsStructured() const { return false; }
    // Back to the first line, for a second pass; false when the book cannot be read again.
    virtual bool Rewind() = 0;

    // Sizes in bytes of the book as stored, so that progress is exact in every format.
    virtual std::uint64_t Size() const = 0;
    virtual std::uint64_t BytesConsumed() const = 0;
    // A read error met on the way (the book then seems to end there); empty when none.
    virtual const std::string& Error() const = 0;

    // "UTF-8", "Windows-1252", ... for a text book; "HTML", "EPUB" for the others.
    virtual std::string FormatName() const = 0;
    virtual BookInfo Info() const { return {}; }
    // What was left out of the book and why (a content document that cannot be read), one message each.
    virtual const std::vector<std::string>& Warnings() const
    {
        static const std::vector<std::string> none;
        return none;
    }
};
