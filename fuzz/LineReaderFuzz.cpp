// The line reader on any bytes, against the same file split whole at CR LF, CR and LF. The first byte, when it
// is odd, puts 64 KB less byte / 2 % 8 bytes of plain lines in front, so that the rest straddles the reader's
// chunk boundary.
#include "FuzzSupport.h"
#include "engine/LineReader.h"
#include "base/Text.h"

namespace {

// The whole file split at CR LF, CR and LF, in the units of its encoding, and each line decoded.
std::vector<std::u32string> SplitWhole(std::string_view bytes)
{
    const bool wide = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    const bool little = bytes.starts_with("\xFF\xFE");
    const bool marked = bytes.starts_with("\xEF\xBB\xBF");
    const bool utf8 = marked || IsValidUtf8(bytes);
    bytes.remove_prefix(wide ? 2 : marked ? 3 : 0);
    const std::size_t unit = wide ? 2 : 1;
    // The character of the unit at i, for finding line breaks.
    auto at = [&](std::size_t i) -> unsigned {
        if (!wide)
            return static_cast<unsigned char>(bytes[i]);
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return little ? (b << 8 | a) : (a << 8 | b);
    };
    auto decode = [&](std::string_view line) {
        return wide ? FromUtf16(line, little) : utf8 ? FromUtf8(line) : FromWindows1252(line);
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::string content;
    if (data[0] % 2 == 1) {
        const std::size_t filler = (1 << 16) - data[0] / 2 % 8;
        while (content.size() + 64 <= filler)
            content += std::string(63, 'a') + '\n';
        content += std::string(filler - content.size(), 'b');
    }
    content.append(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string path =
        WriteScratchFile("book.txt", {reinterpret_cast<const std::uint8_t*>(content.data()), content.size()});

    const auto opened = LineReader::Open(path, "Windows-1252");
    const bool wide = content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF");
    if (!wide && content.find('\0') != std::string::npos) {
        FUZZ_CHECK(!opened && opened.Failure().message.find("not a text file") != std::string::npos,
                   "a file with NUL bytes was read");
        return 0;
    }
    FUZZ_CHECK(opened, opened.Failure().message);
    const auto& reader = *opened;
    std::vector<std::u32string> lines;
    for (std::u32string line; reader->ReadLine(line);)
        lines.push_back(line);
    FUZZ_CHECK(reader->Error().empty(), reader->Error());
    FUZZ_CHECK(reader->BytesConsumed() == content.size(), "bytes consumed " + std::to_string(reader->BytesConsumed()) +
                                                              " of " + std::to_string(content.size()));
    FUZZ_CHECK(reader->IsUtf8() == (!wide && (content.starts_with("\xEF\xBB\xBF") || IsValidUtf8(content))),
               "the encoding was judged wrongly");
    const std::vector<std::u32string> expected = SplitWhole(content);
    FUZZ_CHECK(lines.size() == expected.size(),
               std::to_string(lines.size()) + " lines read, " + std::to_string(expected.size()) + " expected");
    for (std::size_t i = 0; i < lines.size(); ++i)
        FUZZ_CHECK(lines[i] == expected[i], "line " + std::to_string(i + 1) + " differs: " + ToUtf8(lines[i]));
    return 0;
}
