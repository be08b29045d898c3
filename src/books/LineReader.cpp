#include "books/LineReader.h"

#include "base/Text.h"
#include "base/AppError.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kChunk = 1 << 16;
// The longest piece of a line handed out at once, and how far back from its end a blank to cut after is looked
// for.
constexpr std::size_t kPiece = 1 << 16;
constexpr std::size_t kBlankSearch = 4096;

// The bytes read at a time from a book of this size: a whole small book and one byte more, so that one read
// finds its end; memory that is never read into would only cost a short conversion its page faults.
std::size_t ChunkFor(std::uint64_t size)
{
    return static_cast<std::size_t>(std::clamp<std::uint64_t>(size + 1, 4096, kChunk));
}

struct Scan {
    bool nul = false;
    bool utf8 = true;
    bool failed = false;
    // What a book with NUL bytes looks like at its start: "UTF-16LE" or "UTF-16BE" when they fall on one side
    // of nearly every character, as in UTF-16 text written without a byte-order mark; otherwise null.
    const char* wide = nullptr;
};

// UTF-16 text of mostly Latin letters has a NUL in the high byte of most code units and almost never in the
// low one; a binary file has its NUL bytes on both sides alike. Looks at the first 4 KB.
const char* LooksLikeUtf16(std::string_view start)
{
    const std::size_t units = std::min<std::size_t>(start.size(), 4096) / 2;
    std::size_t evenNul = 0, oddNul = 0;
    for (std::size_t i = 0; i < units; ++i) {
        evenNul += start[2 * i] == '\0';
        oddNul += start[2 * i + 1] == '\0';
    }
    const auto most = [units](std::size_t count) { return units >= 4 && 2 * count > units; };
    const auto few = [units](std::size_t count) { return 8 * count <= units; };
    return most(oddNul) && few(evenNul) ? "UTF-16LE" : most(evenNul) && few(oddNul) ? "UTF-16BE" : nullptr;
}

// Looks at the whole stream once: NUL bytes, and whether it is UTF-8. A sequence cut by a chunk's end waits
// for the next chunk.
Scan ScanStream(std::FILE* file, std::size_t chunkBytes)
{
    Scan scan;
    std::string pending;
    std::string chunk(chunkBytes, '\0');
    for (bool first = true;; first = false) {
        const std::size_t n = std::fread(chunk.data(), 1, chunkBytes, file);
        if (!scan.nul && std::memchr(chunk.data(), 0, n)) {
            scan.nul = true;
            if (first)
                scan.wide = LooksLikeUtf16(std::string_view(chunk.data(), n));
        }
        if (scan.utf8) {
            pending.append(chunk.data(), n);
            std::size_t keep = 0;
            if (n == chunkBytes) {
                // Hold back a possibly unfinished sequence at the end of the chunk.
                std::size_t back = pending.size();
                for (int k = 0; k < 3 && back > 0; ++k) {
                    const unsigned char c = static_cast<unsigned char>(pending[back - 1]);
                    if ((c & 0xC0) != 0x80) {
                        if (c >= 0xC0)
                            keep = pending.size() - (back - 1);
                        break;
                    }
                    --back;
                }
            }
            if (!IsValidUtf8(std::string_view(pending).substr(0, pending.size() - keep)))
                scan.utf8 = false;
            pending.erase(0, pending.size() - keep);
        }
        if (n < chunkBytes) {
            scan.failed = std::ferror(file) != 0;
            scan.utf8 = scan.utf8 && pending.empty();
            return scan;
        }
    }
}

// Copies a pipe into an unnamed temporary file, which can be read twice and measured. A failure says why only:
// the caller names the book.
Result<std::FILE*> Spool(std::FILE* pipe)
{
    std::FILE* copy = std::tmpfile();
    if (!copy)
        return SystemError("no temporary file for it", errno);
    std::string chunk(kChunk, '\0');
    for (;;) {
        const std::size_t n = std::fread(chunk.data(), 1, kChunk, pipe);
        if (n > 0 && std::fwrite(chunk.data(), 1, n, copy) != n) {
            const Error error = SystemError("cannot keep a copy of it", errno);
            std::fclose(copy);
            return error;
        }
        if (n < kChunk) {
            if (std::ferror(pipe)) {
                const Error error{SystemMessage(errno), errno};
                std::fclose(copy);
                return error;
            }
            break;
        }
    }
    if (std::fflush(copy) != 0) {
        const Error error = SystemError("cannot keep a copy of it", errno);
        std::fclose(copy);
        return error;
    }
    std::rewind(copy);
    return copy;
}

bool IsWindows1252(std::string_view codePage)
{
    std::string upper(codePage);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper == "WINDOWS-1252" || upper == "CP1252" || upper == "WINDOWS1252";
}

Error Refused(std::string message, int code = 0) { return {std::move(message), code}; }

} // namespace

Result<std::unique_ptr<LineReader>> LineReader::Open(const std::string& path, const std::string& codePage)
{
    const bool standardInput = path == "-";
    const std::string name = standardInput ? "standard input" : "the book " + path;
    if (path.empty())
        return Refused("no book is chosen");
    if (!standardInput && !IsWindows1252(codePage) && !IsKnownCodePage(codePage))
        return Refused("cannot read " + name + ": the code page \"" + codePage + "\" is not known");

    std::FILE* opened = standardInput ? fdopen(::dup(STDIN_FILENO), "rb") : std::fopen(path.c_str(), "rb");
    if (!opened)
        return SystemError("cannot open " + name, errno);
    auto reader = std::unique_ptr<LineReader>(new LineReader());
    reader->mFile.reset(opened);
    struct stat info {};
    if (::fstat(::fileno(opened), &info) != 0)
        return SystemError("cannot open " + name, errno);
    if (S_ISDIR(info.st_mode))
        return Refused("cannot read " + name + ": it is a folder", EISDIR);
    if (S_ISFIFO(info.st_mode)) {
        const auto copy = Spool(opened);
        if (!copy)
            return Refused("cannot read " + name + ": " + copy.Failure().message, copy.Failure().code);
        reader->mFile.reset(*copy);
        if (::fstat(::fileno(*copy), &info) != 0)
            return SystemError("cannot read " + name, errno);
    } else if (!S_ISREG(info.st_mode)) {
        return Refused(standardInput && ::isatty(STDIN_FILENO)
                           ? "standard input is a terminal: pipe a book into it, as in cat book.txt | leafcast convert -"
                           : "cannot read " + name + ": it is a device or another special file, not a text file");
    }
    reader->mSize = static_cast<std::uint64_t>(info.st_size);
    reader->mChunk = ChunkFor(reader->mSize);
    reader->mCodePage = codePage;

    // The byte-order mark, then the code page the user named, then what the bytes say.
    std::FILE* file = reader->mFile.get();
    unsigned char mark[3] = {0, 0, 0};
    const std::size_t markBytes = std::fread(mark, 1, 3, file);
    if (markBytes >= 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF)
        reader->mEncoding = Encoding::Utf8, reader->mStart = 3;
    else if (markBytes >= 2 && mark[0] == 0xFF && mark[1] == 0xFE)
        reader->mEncoding = Encoding::Utf16LE, reader->mStart = 2, reader->mUnit = 2, reader->mLittleEndian = true;
    else if (markBytes >= 2 && mark[0] == 0xFE && mark[1] == 0xFF)
        reader->mEncoding = Encoding::Utf16BE, reader->mStart = 2, reader->mUnit = 2;
    else if (CodeUnitSize(codePage) > 1) {
        reader->mEncoding = Encoding::CodePage;
        reader->mUnit = static_cast<std::size_t>(CodeUnitSize(codePage));
        reader->mLittleEndian = IsLittleEndian(codePage);
    }
    std::rewind(file);

    if (reader->mUnit == 1) {
        const Scan scan = ScanStream(file, reader->mChunk);
        if (scan.failed)
            return SystemError("cannot read " + name, errno);
        if (scan.nul && scan.wide && reader->mStart == 0)
            return Refused("cannot convert " + name + ": it holds NUL bytes between its letters, as UTF-16 without a "
                           "byte-order mark does; name its encoding: --encoding " + std::string(scan.wide) +
                           " (in the settings window, the Code page box)");
        if (scan.nul)
            return Refused("cannot convert " + name + ": it is not a text file (it holds NUL bytes)");
        if (reader->mStart == 0 && !scan.utf8)
            reader->mEncoding = Encoding::CodePage;
    }
    if (reader->mEncoding == Encoding::CodePage && !IsWindows1252(codePage))
        reader->mDecoder = std::make_unique<CodePageDecoder>(codePage);
    if (!reader->Rewind())
        return Refused("cannot read " + name + ": " + reader->mError);
    return reader;
}

LineReader::~LineReader() = default;

std::string LineReader::EncodingName() const
{
    switch (mEncoding) {
    case Encoding::Utf8: return "UTF-8";
    case Encoding::Utf16LE: return "UTF-16LE";
    case Encoding::Utf16BE: return "UTF-16BE";
    case Encoding::CodePage: return mCodePage;
    }
    return {};
}

bool LineReader::Rewind()
{
    if (std::fseek(mFile.get(), static_cast<long>(mStart), SEEK_SET) != 0) {
        mError = SystemMessage(errno);
        return false;
    }
    mBuffer.clear();
    mPosition = 0;
    mEnd = false;
    mContinues = false;
    mError.clear();
    mConsumed = mStart;
    return true;
}

bool LineReader::Fill()
{
    if (mEnd)
        return false;
    mBuffer.erase(0, mPosition);
    mPosition = 0;
    const std::size_t old = mBuffer.size();
    mBuffer.resize(old + mChunk);
    const std::size_t n = std::fread(mBuffer.data() + old, 1, mChunk, mFile.get());
    mBuffer.resize(old + n);
    if (n < mChunk) {
        mEnd = true;
        if (std::ferror(mFile.get()))
            mError = SystemMessage(errno);
    }
    return n > 0;
}

// True when the code unit at the given byte is the character `which` (CR or LF).
bool LineReader::IsLineBreak(std::size_t at, unsigned char which) const
{
    if (mUnit == 1)
        return static_cast<unsigned char>(mBuffer[at]) == which;
    for (std::size_t k = 0; k < mUnit; ++k) {
        const std::size_t significance = mLittleEndian ? k : mUnit - 1 - k;
        const unsigned char expected = significance == 0 ? which : 0;
        if (static_cast<unsigned char>(mBuffer[at + k]) != expected)
            return false;
    }
    return true;
}

std::u32string LineReader::Decode(std::string_view bytes)
{
    switch (mEncoding) {
    case Encoding::Utf8: return FromUtf8(bytes);
    case Encoding::Utf16LE: return FromUtf16(bytes, true);
    case Encoding::Utf16BE: return FromUtf16(bytes, false);
    case Encoding::CodePage: return mDecoder ? mDecoder->Decode(bytes) : FromWindows1252(bytes);
    }
    return {};
}

// Where a piece of a line that runs on past limit ends: after the last blank before limit, if one is near;
// otherwise at limit, moved back to the start of a character.
std::size_t LineReader::PieceEnd(std::size_t limit) const
{
    for (std::size_t at = limit; at >= mPosition + mUnit && limit - at < kBlankSearch; at -= mUnit)
        if (IsLineBreak(at - mUnit, ' '))
            return at;
    std::size_t end = limit;
    switch (mEncoding) {
    case Encoding::Utf8: {
        // Back to the first byte of the last character, and before it when the character does not end by limit.
        std::size_t first = end - 1;
        while (first > mPosition && (static_cast<unsigned char>(mBuffer[first]) & 0xC0) == 0x80)
            --first;
        const auto lead = static_cast<unsigned char>(mBuffer[first]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (first > mPosition && first + length > end)
            end = first;
        break;
    }
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        // Not between the two halves of a surrogate pair.
        const auto high = static_cast<unsigned char>(mBuffer[end - 2 + (mEncoding == Encoding::Utf16LE ? 1 : 0)]);
        if ((high & 0xFC) == 0xD8)
            end -= 2;
        break;
    }
    case Encoding::CodePage:
        // A legacy code page of several bytes a character never uses a byte below 0x40 inside one.
        if (mDecoder && mUnit == 1)
            for (std::size_t at = end; at > mPosition + 1 && limit - at < kBlankSearch; --at)
                if (static_cast<unsigned char>(mBuffer[at - 1]) < 0x40)
                    return at;
        break;
    }
    return end;
}

std::size_t LineReader::FindBreak(std::size_t from) const
{
    if (mUnit == 1) {
        // The buffer ends in a NUL, as every string does, and a book in a byte encoding holds none (Open refuses
        // it): strcspn stops at a line break or at the end. A NUL that came with a change to the book while it
        // is read is stepped over.
        for (;;) {
            from += std::strcspn(mBuffer.c_str() + from, "\r\n");
            if (from >= mBuffer.size() || mBuffer[from] != '\0')
                return from;
            ++from;
        }
    }
    while (from + mUnit <= mBuffer.size() && !IsLineBreak(from, '\r') && !IsLineBreak(from, '\n'))
        from += mUnit;
    return from;
}

bool LineReader::ReadLine(std::u32string& line)
{
    std::size_t scan = mPosition;
    mContinues = false;
    for (;;) {
        const std::size_t limit = std::min(mBuffer.size(), mPosition + kPiece);
        scan = std::min(FindBreak(scan), limit);
        if (scan + mUnit > limit && limit == mPosition + kPiece) {
            scan = PieceEnd(scan);
            mContinues = true;
            break;
        }
        if (scan + mUnit <= mBuffer.size()) {
            // A CR at the very end of the buffer may have its LF in the next chunk.
            if (IsLineBreak(scan, '\n') || scan + 2 * mUnit <= mBuffer.size() || mEnd)
                break;
        } else if (mEnd) {
            if (mPosition >= mBuffer.size())
                return false;
            scan = mBuffer.size();  // the last line has no line break; a cut-off unit belongs to it
            break;
        }
        const std::size_t offset = scan - mPosition;
        Fill();
        scan = mPosition + offset;
    }
    line = Decode(std::string_view(mBuffer.data() + mPosition, scan - mPosition));
    std::size_t next = scan;
    if (next < mBuffer.size() && !mContinues) {
        const bool crLf = IsLineBreak(next, '\r') && next + 2 * mUnit <= mBuffer.size() && IsLineBreak(next + mUnit, '\n');
        next += crLf ? 2 * mUnit : mUnit;
    }
    mConsumed += next - mPosition;
    mPosition = next;
    return true;
}
