// The EPUB and HTML readers on any bytes: the first byte chooses whether front and back matter are left out, the
// rest is the book. Whatever the bytes, a book opens or is refused with a message; an opened book hands out lines
// of at most a piece each, every one of them structured, and its progress never passes its size.
#include "FuzzSupport.h"
#include "books/OpenBook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::string path = WriteScratchFile("book", {data + 1, size - 1});
    auto opened = OpenBook(path, {"Windows-1252", (data[0] & 1) != 0});
    if (!opened) {
        FUZZ_CHECK(!opened.Failure().message.empty(), "a refusal without a message");
        return 0;
    }
    BookReader& book = **opened;
    std::size_t lines = 0;
    for (std::u32string line; book.ReadLine(line); ++lines) {
        FUZZ_CHECK(line.size() <= 65536, "a piece of " + std::to_string(line.size()) + " characters");
        FUZZ_CHECK(!book.IsStructured() || book.Structure(), "a line of a structured book without its structure");
        FUZZ_CHECK(book.BytesConsumed() <= book.Size(), "progress past the book's size");
    }
    FUZZ_CHECK(!book.IsStructured() || book.BytesConsumed() == book.Size(), "a book read to its end short of its size");
    return 0;
}
