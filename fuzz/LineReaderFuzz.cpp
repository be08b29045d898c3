// The line reader on any bytes, against the same file split whole at CR LF, CR and LF. The first byte, when it
// is odd, puts 64 KB less byte / 2 % 8 bytes of plain lines in front, so that the rest straddles the reader's
// chunk boundary.
#include "FuzzSupport.h"
#include "engine/LineReader.h"
#include "engine/Text.h"

namespace {

std::vector<std::u32string> SplitWhole(std::string_view bytes)
{
    const bool utf8 = IsValidUtf8(bytes);
    if (utf8 && bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    std::vector<std::u32string> lines;
    while (!bytes.empty()) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n"), bytes.size());
        const std::string_view line = bytes.substr(0, end);
        lines.push_back(utf8 ? FromUtf8(line) : FromWindows1252(line));
        const bool crlf = bytes.substr(end).starts_with("\r\n");
        bytes.remove_prefix(std::min(bytes.size(), end + (crlf ? 2 : 1)));
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

    std::string error;
    const auto reader = LineReader::Open(path, error);
    FUZZ_CHECK(reader, error);
    std::vector<std::u32string> lines;
    for (std::u32string line; reader->ReadLine(line);)
        lines.push_back(line);
    FUZZ_CHECK(reader->Error().empty(), reader->Error());
    FUZZ_CHECK(reader->BytesConsumed() == content.size(), "bytes consumed " + std::to_string(reader->BytesConsumed()) +
                                                              " of " + std::to_string(content.size()));
    FUZZ_CHECK(reader->IsUtf8() == IsValidUtf8(content), "the encoding was judged wrongly");
    const std::vector<std::u32string> expected = SplitWhole(content);
    FUZZ_CHECK(lines.size() == expected.size(),
               std::to_string(lines.size()) + " lines read, " + std::to_string(expected.size()) + " expected");
    for (std::size_t i = 0; i < lines.size(); ++i)
        FUZZ_CHECK(lines[i] == expected[i], "line " + std::to_string(i + 1) + " differs: " + ToUtf8(lines[i]));
    return 0;
}
