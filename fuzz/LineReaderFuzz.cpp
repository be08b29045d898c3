// The line reader on any bytes, against the same file split whole at CR LF, CR and LF. The first byte, when it
// is odd, puts 64 KB less byte / 2 % 8 bytes of plain lines in front, so that the rest straddles the reader's
// chunk boundary.
#include "FuzzSupport.h"
#include "books/LineReader.h"
#include "base/Text.h"

#include <array>
#include <cstring>
#include <optional>

namespace {

constexpr std::size_t kFillerLine = 64;  // 63 'a' and a LF

// The plain lines put in front, shortBy bytes short of 64 KB: whole lines while they fit, then 'b' up to the
// size. Each of the eight is made once: it is the same for every input, and it is most of the bytes read.
const std::string& Filler(unsigned shortBy)
{
    static const std::array<std::string, 8> fillers = [] {
        std::array<std::string, 8> made;
        for (std::size_t k = 0; k < made.size(); ++k) {
            const std::size_t size = (1 << 16) - k;
            std::string& filler = made[k];
            while (filler.size() + kFillerLine <= size)
                filler += std::string(kFillerLine - 1, 'a') + '\n';
            filler += std::string(size - filler.size(), 'b');
        }
        return made;
    }();
    return fillers[shortBy];
}

// How the whole file is to be read, as its first bytes and its validity as UTF-8 decide.
struct Encoding {
    bool wide = false;
    bool little = false;
    bool utf8 = false;
};

// Bytes (after any byte-order mark) split at CR LF, CR and LF, in the units of their encoding, and each line
// decoded.
std::vector<std::u32string> SplitWhole(std::string_view bytes, Encoding encoding)
{
    const std::size_t unit = encoding.wide ? 2 : 1;
    // The character of the unit at i, for finding line breaks.
    auto at = [&](std::size_t i) -> unsigned {
        if (!encoding.wide)
            return static_cast<unsigned char>(bytes[i]);
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return encoding.little ? (b << 8 | a) : (a << 8 | b);
    };
    auto decode = [&](std::string_view line) {
        return encoding.wide   ? FromUtf16(line, encoding.little)
               : encoding.utf8 ? FromUtf8(line)
                               : FromWindows1252(line);
    };
    std::vector<std::u32string> lines;
    std::size_t start = 0, i = 0;
    while (start < bytes.size()) {
        while (i + unit <= bytes.size() && at(i) != '\r' && at(i) != '\n')
            i += unit;
        if (i + unit > bytes.size()) {
            lines.push_back(decode(bytes.substr(start)));
            break;
        }
        lines.push_back(decode(bytes.substr(start, i - start)));
        const bool crlf = at(i) == '\r' && i + 2 * unit <= bytes.size() && at(i + unit) == '\n';
        start = i = i + (crlf ? 2 : 1) * unit;
    }
    return lines;
}

bool Same(const std::u32string& a, const std::u32string& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(char32_t)) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string_view filler = data[0] % 2 == 1 ? std::string_view(Filler(data[0] / 2 % 8)) : std::string_view();
    // Kept from input to input, so that its 64 KB are not allocated and faulted in afresh each time.
    static std::string content;
    content.assign(filler).append(input);
    const std::string path =
        WriteScratchFile("book.txt", {reinterpret_cast<const std::uint8_t*>(content.data()), content.size()});

    const auto opened = LineReader::Open(path, "Windows-1252");
    // The filler is plain ASCII: the file starts with it when it is there, and it is valid UTF-8 exactly when the
    // input is.
    const std::string_view start = filler.empty() ? input : filler;
    Encoding encoding;
    encoding.little = start.starts_with("\xFF\xFE");
    encoding.wide = encoding.little || start.starts_with("\xFE\xFF");
    const bool marked = start.starts_with("\xEF\xBB\xBF");
    encoding.utf8 = !encoding.wide && (marked || IsValidUtf8(input));
    if (!encoding.wide && input.find('\0') != std::string_view::npos) {
        // Refused as not text, or as UTF-16 without its mark, with the encoding to name.
        FUZZ_CHECK(!opened && (opened.Failure().message.find("not a text file") != std::string::npos ||
                               opened.Failure().message.find("--encoding UTF-16") != std::string::npos),
                   "a file with NUL bytes was read");
        return 0;
    }
    FUZZ_CHECK(opened, opened.Failure().message);

    // The filler's whole lines are known; the rest, from its 'b' on, is split like the whole file would be.
    const std::size_t fillerLines = filler.size() / kFillerLine;
    static const std::u32string fillerLine(kFillerLine - 1, U'a');
    const std::size_t mark = encoding.wide ? 2 : marked ? 3 : 0;
    const std::string_view rest = std::string_view(content).substr(fillerLines * kFillerLine + mark);
    const std::vector<std::u32string> restLines = SplitWhole(rest, encoding);
    const std::size_t expected = fillerLines + restLines.size();

    const auto& reader = *opened;
    std::size_t count = 0;
    std::optional<std::size_t> differs;
    std::u32string differing;
    for (std::u32string line; reader->ReadLine(line); ++count) {
        const std::u32string* want = count < fillerLines ? &fillerLine
                                     : count < expected   ? &restLines[count - fillerLines]
                                                          : nullptr;
        if (want && !differs && !Same(line, *want))
            differs = count, differing = line;
    }
    FUZZ_CHECK(reader->Error().empty(), reader->Error());
    FUZZ_CHECK(reader->BytesConsumed() == content.size(), "bytes consumed " + std::to_string(reader->BytesConsumed()) +
                                                              " of " + std::to_string(content.size()));
    FUZZ_CHECK(reader->IsUtf8() == encoding.utf8, "the encoding was judged wrongly");
    FUZZ_CHECK(count == expected, std::to_string(count) + " lines read, " + std::to_string(expected) + " expected");
    FUZZ_CHECK(!differs, "line " + std::to_string(*differs + 1) + " differs: " + ToUtf8(differing));
    return 0;
}
