#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// Reads a text file line by line without loading it whole. Lines end at CR LF, CR or LF. A file that is valid
// UTF-8 is read as UTF-8 (a leading byte-order mark is dropped); any other file as Windows-1252.
class LineReader {
public:
    // Opens the file; on failure answers nullptr with the reason in error.
    static std::unique_ptr<LineReader> Open(const std::string& path, std::string& error);
    ~LineReader();

    // The next line without its line break; false at the end of the file.
    bool ReadLine(std::u32string& line);

    std::uint64_t Size() const { return mSize; }
    std::uint64_t BytesConsumed() const { return mConsumed; }
    bool IsUtf8() const { return mUtf8; }
    // A read error met on the way (the file then seems to end there); empty when none.
    const std::string& Error() const { return mError; }

private:
    LineReader() = default;
    bool Fill();

    std::FILE* mFile = nullptr;
    std::uint64_t mSize = 0;
    std::uint64_t mConsumed = 0;
    bool mUtf8 = true;
    std::string mBuffer;
    std::size_t mPosition = 0;
    bool mEnd = false;
    std::string mError;
};
