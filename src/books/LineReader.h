#pragma once

#include "base/Result.h"
#include "books/BookReader.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class CodePageDecoder;

// Reads a book line by line without loading it whole. Lines end at CR LF, CR or LF.
//
// The encoding: a byte-order mark decides UTF-8, UTF-16 LE or UTF-16 BE; a wide code page named by the user
// (UTF-16LE, UCS-2, ...) is taken at its word; otherwise a file that is valid UTF-8 is UTF-8, and anything
// else is read in the user's legacy code page (Windows-1252 unless told otherwise). A book with NUL bytes
// in a byte encoding is not text and is refused.
//
// The path "-" is standard input. Pipes and FIFOs are read once into an unnamed temporary file, so that they
// convert exactly as the same bytes in a file would; devices, sockets and folders are refused.
class LineReader : public BookReader {
public:
    enum class Encoding { Utf8, Utf16LE, Utf16BE, CodePage };

    // Opens the book; a failure's message names the book.
    static Result<std::unique_ptr<LineReader>> Open(const std::string& path, const std::string& codePage);
    ~LineReader() override;
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line without its line break; false at the end of the book. A line longer than a piece (64 KiB of
    // the book) comes in pieces, cut after a blank where there is one near the end of the piece, so that memory
    // stays the same whatever the length of a line: Continues tells that the piece just read was cut, and the
    // next one goes on with its line.
    bool ReadLine(std::u32string& line) override;
    bool Continues() const override { return mContinues; }
    // Back to the first line, for a second pass over the book; false when the book cannot be read again.
    bool Rewind() override;

    // Sizes in bytes of the book as stored, so that progress is exact in every encoding.
    std::uint64_t Size() const override { return mSize; }
    std::uint64_t BytesConsumed() const override { return mConsumed; }
    bool IsUtf8() const { return mEncoding == Encoding::Utf8; }
    // "UTF-8", "UTF-16LE", "UTF-16BE" or the code page's name.
    std::string EncodingName() const;
    std::string FormatName() const override { return EncodingName(); }
    // A read error met on the way (the book then seems to end there); empty when none.
    const std::string& Error() const override { return mError; }

private:
    LineReader() = default;
    bool Fill();
    bool IsLineBreak(std::size_t at, unsigned char which) const;
    // The first code unit at or after from that is a CR or a LF; where the buffer's last whole unit ends when
    // there is none.
    std::size_t FindBreak(std::size_t from) const;
    std::u32string Decode(std::string_view bytes);
    std::size_t PieceEnd(std::size_t limit) const;

    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> mFile;
    std::uint64_t mSize = 0;
    std::size_t mChunk = 0;  // bytes read at a time
    std::uint64_t mConsumed = 0;
    std::size_t mStart = 0;  // bytes of the byte-order mark
    Encoding mEncoding = Encoding::Utf8;
    std::string mCodePage;
    std::unique_ptr<CodePageDecoder> mDecoder;  // for a code page other than Windows-1252
    std::size_t mUnit = 1;  // bytes per code unit: where a line break can stand
    bool mLittleEndian = false;  // the byte order of a wide code unit
    std::string mBuffer;
    std::size_t mPosition = 0;
    bool mEnd = false;
    bool mContinues = false;
    std::string mError;
};
