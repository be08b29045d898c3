#include "engine/LineReader.h"

#include "engine/Text.h"
#include "imaging/AppError.h"

#include <cerrno>
#include <sys/stat.h>

namespace {

constexpr std::size_t kChunk = 1 << 16;

// Checks a whole stream for UTF-8, a chunk at a time; a sequence cut by the chunk's end waits for the next one.
bool StreamIsUtf8(std::FILE* file, bool& readFailed)
{
    std::string pending;
    char chunk[kChunk];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file);
        pending.append(chunk, n);
        std::size_t keep = 0;
        if (n == sizeof chunk) {
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
            return false;
        pending.erase(0, pending.size() - keep);
        if (n < sizeof chunk) {
            readFailed = std::ferror(file) != 0;
            return pending.empty();
        }
    }
}

} // namespace

std::unique_ptr<LineReader> LineReader::Open(const std::string& path, std::string& error)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = "cannot open the book " + path + ": " + SystemMessage(errno);
        return nullptr;
    }
    if (S_ISDIR(info.st_mode)) {
        error = "cannot read the book " + path + ": it is a folder";
        return nullptr;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot open the book " + path + ": " + SystemMessage(errno);
        return nullptr;
    }
    auto reader = std::unique_ptr<LineReader>(new LineReader());
    reader->mFile = file;
    reader->mSize = static_cast<std::uint64_t>(info.st_size);
    bool readFailed = false;
    reader->mUtf8 = StreamIsUtf8(file, readFailed);
    if (readFailed) {
        error = "cannot read the book " + path + ": " + SystemMessage(errno);
        return nullptr;
    }
    std::rewind(file);
    if (reader->mUtf8 && reader->Fill() && reader->mBuffer.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        reader->mPosition = 3;
        reader->mConsumed = 3;
    }
    return reader;
}

LineReader::~LineReader()
{
    if (mFile)
        std::fclose(mFile);
}

bool LineReader::Fill()
{
    if (mEnd)
        return false;
    mBuffer.erase(0, mPosition);
    mPosition = 0;
    const std::size_t old = mBuffer.size();
    mBuffer.resize(old + kChunk);
    const std::size_t n = std::fread(mBuffer.data() + old, 1, kChunk, mFile);
    mBuffer.resize(old + n);
    if (n < kChunk) {
        mEnd = true;
        if (std::ferror(mFile))
            mError = SystemMessage(errno);
    }
    return n > 0;
}

bool LineReader::ReadLine(std::u32string& line)
{
    std::size_t scan = mPosition;
    for (;;) {
        while (scan < mBuffer.size() && mBuffer[scan] != '\r' && mBuffer[scan] != '\n')
            ++scan;
        if (scan < mBuffer.size()) {
            // A CR at the very end of the buffer may have its LF in the next chunk.
            if (mBuffer[scan] == '\n' || scan + 1 < mBuffer.size() || mEnd)
                break;
        } else if (mEnd) {
            if (mPosition >= mBuffer.size())
                return false;
            break;  // the last line has no line break
        }
        const std::size_t offset = scan - mPosition;
        Fill();
        scan = mPosition + offset;
    }
    const std::string_view bytes(mBuffer.data() + mPosition, scan - mPosition);
    line = mUtf8 ? FromUtf8(bytes) : FromWindows1252(bytes);
    std::size_t next = scan;
    if (next < mBuffer.size())
        next += (mBuffer[next] == '\r' && next + 1 < mBuffer.size() && mBuffer[next + 1] == '\n') ? 2 : 1;
    mConsumed += next - mPosition;
    mPosition = next;
    return true;
}
