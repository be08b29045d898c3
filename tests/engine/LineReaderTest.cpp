#include "engine/LineReader.h"
#include "base/Text.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kChunk = 65536;

std::u32string U(const char* utf8) { return FromUtf8(utf8); }

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct ReadResult {
    std::vector<std::u32string> lines;
    bool utf8 = false;
    std::string encoding;
    std::uint64_t size = 0, consumed = 0;
};

ReadResult ReadAll(const std::string& bytes, const std::string& codePage = "Windows-1252")
{
    TempDir dir;
    const std::string path = dir.Path("book.txt");
    WriteBytes(path, bytes);
    const auto opened = LineReader::Open(path, codePage);
    EXPECT_TRUE(opened) << opened.Failure().message;
    ReadResult result;
    if (!opened)
        return result;
    const auto& reader = *opened;
    for (std::u32string line; reader->ReadLine(line);)
        result.lines.push_back(line);
    EXPECT_TRUE(reader->Error().empty()) << reader->Error();
    result.utf8 = reader->IsUtf8();
    result.encoding = reader->EncodingName();
    result.size = reader->Size();
    result.consumed = reader->BytesConsumed();
    return result;
}

TEST(LineReader, LineBreaksAndEncodings)
{
    const struct { std::string bytes; std::vector<std::u32string> lines; bool utf8; } cases[] = {
        {"", {}, true},
        {"a", {U"a"}, true},
        {"a\r\n", {U"a"}, true},
        {"a\r\n\r\n", {U"a", U""}, true},
        {"a\nb\nc\n", {U"a", U"b", U"c"}, true},
        {"a\rb\rc", {U"a", U"b", U"c"}, true},
        {"a\r\rb", {U"a", U"", U"b"}, true},
        {"a\n\rb", {U"a", U"", U"b"}, true},
        {"\n", {U""}, true},
        {"\xEF\xBB\xBFhi\r\nthere", {U"hi", U"there"}, true},
        {"\xEF\xBB\xBF", {}, true},
        {"caf\xC3\xA9 \xE2\x82\xAC\r\n", {U"café €"}, true},
        {"caf\xE9 \x80\r\n\x99", {U"café €", U"™"}, false},
        // one bad byte anywhere makes the whole file Windows-1252
        {"\xC3\xA9\r\n\xE9", {U"Ã©", U"é"}, false},
        {"\xED\xA0\x80", {U"í\u00A0€"}, false},  // an encoded surrogate is not UTF-8
        {"\xC0\xAF", {U"À¯"}, false},            // nor is an overlong form
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        const ReadResult result = ReadAll(c.bytes);
        EXPECT_EQ(result.lines, c.lines);
        EXPECT_EQ(result.utf8, c.utf8);
        EXPECT_EQ(result.size, c.bytes.size());
        EXPECT_EQ(result.consumed, c.bytes.size());
    }
}

TEST(LineReader, LineBreaksAndSequencesAcrossTheChunkBoundary)
{
    const std::string full(kChunk - 1, 'x');
    const struct { std::string bytes; std::vector<std::u32string> lines; } cases[] = {
        // CR is the chunk's last byte, LF the next chunk's first
        {full + "\r\ny", {U(full.c_str()), U"y"}},
        {full + "\r\n", {U(full.c_str())}},
        {full + "\r\n\r\n", {U(full.c_str()), U""}},
        {full + "\rz", {U(full.c_str()), U"z"}},
        {full + "\r", {U(full.c_str())}},
        {full + "x\r\ny", {U((full + "x").c_str()), U"y"}},
        {std::string(kChunk - 2, 'x') + "\r\n\ny", {U(std::string(kChunk - 2, 'x').c_str()), U"", U"y"}},
        {"\xEF\xBB\xBF" + std::string(kChunk - 4, 'x') + "\r\ny", {U(std::string(kChunk - 4, 'x').c_str()), U"y"}},
        // UTF-8 sequences cut by the chunk's end
        {full + "\xC3\xA9", {U((full + "é").c_str())}},
        {std::string(kChunk - 2, 'x') + "\xF0\x9F\x98\x80", {U((std::string(kChunk - 2, 'x') + "😀").c_str())}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bytes.size() << " bytes");
        const ReadResult result = ReadAll(c.bytes);
        EXPECT_EQ(result.lines, c.lines);
        EXPECT_TRUE(result.utf8);
        EXPECT_EQ(result.consumed, c.bytes.size());
    }
}

TEST(LineReader, ManyLinesOverSeveralChunks)
{
    std::string bytes;
    for (int i = 0; i < 50000; ++i)
        bytes += "line " + std::to_string(i) + (i % 3 == 0 ? "\n" : i % 3 == 1 ? "\r\n" : "\r");
    const ReadResult result = ReadAll(bytes);
    ASSERT_EQ(result.lines.size(), 50000u);
    for (int i : {0, 1, 2, 5957, 5958, 49999})
        EXPECT_EQ(result.lines[static_cast<std::size_t>(i)], U(("line " + std::to_string(i)).c_str()));
    EXPECT_EQ(result.consumed, bytes.size());
}

TEST(LineReader, BytesConsumedCountsEachLineBreakOnce)
{
    TempDir dir;
    WriteBytes(dir.Path("book.txt"), "ab\r\ncd\ne\r\rf");
    const auto opened = LineReader::Open(dir.Path("book.txt"), "Windows-1252");
    ASSERT_TRUE(opened) << opened.Failure().message;
    const auto& reader = *opened;
    std::u32string line;
    for (std::uint64_t consumed : {4u, 7u, 9u, 10u, 11u}) {
        ASSERT_TRUE(reader->ReadLine(line));
        EXPECT_EQ(reader->BytesConsumed(), consumed);
    }
    EXPECT_FALSE(reader->ReadLine(line));
    EXPECT_EQ(reader->BytesConsumed(), 11u);
}

TEST(LineReader, ByteOrderMarkThenUtf8ThenTheCodePage)
{
    using namespace std::string_literals;
    const std::string units(kChunk / 2 - 1, 'x');
    std::string wideUnits;
    for (char c : units)
        wideUnits += c, wideUnits += '\0';
    const struct { std::string bytes, codePage; std::vector<std::u32string> lines; std::string encoding; } cases[] = {
        {"\xEF\xBB\xBF" "caf\xC3\xA9\r\nx", "CP1250", {U"café", U"x"}, "UTF-8"},
        {"\xEF\xBB\xBF" "a\xE9", "CP1250", {U"a\uFFFD"}, "UTF-8"},  // the mark decides, whatever follows
        {"\xFF\xFE" "c\0a\0f\0\xE9\0\r\0\n\0x\0"s, "Windows-1252", {U"café", U"x"}, "UTF-16LE"},
        {"\xFE\xFF" "\0c\0a\0f\0\xE9\0\r\0\n\0x"s, "Windows-1252", {U"café", U"x"}, "UTF-16BE"},
        {"\xFF\xFE" "\x3D\xD8\x00\xDE\n\0\r\0"s, "Windows-1252", {U"😀", U""}, "UTF-16LE"},
        {"\xFF\xFE" "\x0D\x01\x0A"s, "Windows-1252", {U"č\uFFFD"}, "UTF-16LE"},  // a cut-off last unit
        {"\xFF\xFE" + wideUnits + "\r\0\n\0y\0"s, "Windows-1252", {FromUtf8(units), U"y"}, "UTF-16LE"},
        {"h\0i\0\n\0"s, "UTF-16LE", {U"hi"}, "UTF-16LE"},  // a wide code page the user named, no mark
        {"\x8A\xE8\r\n\xB9", "CP1250", {U"Šč", U"ą"}, "CP1250"},
        {"\x8A\xE8\r\n\xB9", "Windows-1252", {U"Šè", U"¹"}, "Windows-1252"},
        {"\xC2\xD2\xD5", "KOI8-R", {U"бру"}, "KOI8-R"},
        {"caf\xC3\xA9", "CP1250", {U"café"}, "UTF-8"},  // valid UTF-8 wins over the code page
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes.substr(0, 40)) + " " + c.codePage);
        const ReadResult result = ReadAll(c.bytes, c.codePage);
        EXPECT_EQ(result.lines, c.lines);
        EXPECT_EQ(result.encoding, c.encoding);
        EXPECT_EQ(result.consumed, c.bytes.size());
    }
}

TEST(LineReader, RefusesWhatIsNotABookWithAClearMessage)
{
    TempDir dir;
    WriteBytes(dir.Path("program.txt"), std::string("text\0\x01\x02 more", 13));
    const struct { std::string path, codePage, message; } cases[] = {
        {dir.Path("missing.txt"), "Windows-1252", "missing.txt"},
        {dir.Root().string(), "Windows-1252", "it is a folder"},
        {dir.Path("program.txt"), "Windows-1252", "not a text file"},
        {"/dev/zero", "Windows-1252", "not a text file"},
        {dir.Path("program.txt"), "no-such-page", "\"no-such-page\" is not known"},
        {"", "Windows-1252", "no book is chosen"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto opened = LineReader::Open(c.path, c.codePage);
        ASSERT_FALSE(opened);
        EXPECT_NE(opened.Failure().message.find(c.message), std::string::npos) << opened.Failure().message;
    }
}

TEST(LineReader, APipeReadsAsTheSameBytesInAFileWouldAndRewinds)
{
    TempDir dir;
    std::string bytes = "caf\xE9\r\n";  // not UTF-8 only at its very end: the pipe must be read whole first
    for (int i = 0; i < 20000; ++i)
        bytes += "line " + std::to_string(i) + "\r\n";
    bytes += "\x80";
    const std::string fifo = dir.Path("book.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { WriteBytes(fifo, bytes); });
    const auto opened = LineReader::Open(fifo, "Windows-1252");
    writer.join();
    ASSERT_TRUE(opened) << opened.Failure().message;
    const auto& reader = *opened;
    const ReadResult fromFile = ReadAll(bytes);
    EXPECT_EQ(reader->Size(), bytes.size());
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<std::u32string> lines;
        for (std::u32string line; reader->ReadLine(line);)
            lines.push_back(line);
        EXPECT_EQ(lines, fromFile.lines);
        EXPECT_EQ(reader->BytesConsumed(), bytes.size());
        ASSERT_TRUE(reader->Rewind());
    }
}

TEST(Text, Utf8Checks)
{
    const struct { std::string bytes; bool valid; std::u32string decoded; } cases[] = {
        {"", true, U""},
        {"abc", true, U"abc"},
        {"\xC3\xA9", true, U"é"},
        {"\xF0\x9F\x98\x80", true, U"😀"},
        {"\xF4\x8F\xBF\xBF", true, U"\U0010FFFF"},
        {"\xC3", false, U"\uFFFD"},
        {"\xE9t\xE9", false, U"\uFFFDt\uFFFD"},
        {"\xC0\xAF", false, U"\uFFFD\uFFFD"},
        {"\xED\xA0\x80", false, U"\uFFFD\uFFFD\uFFFD"},
        {"\xF4\x90\x80\x80", false, U"\uFFFD\uFFFD\uFFFD\uFFFD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
        EXPECT_EQ(FromUtf8(c.bytes), c.decoded);
        if (c.valid) {
            EXPECT_EQ(ToUtf8(FromUtf8(c.bytes)), c.bytes);
        }
    }
}

TEST(Text, Windows1252)
{
    const struct { std::string bytes; std::u32string text; } cases[] = {
        {"A", U"A"}, {"\x80", U"\u20AC"}, {"\xE9", U"é"}, {"\x99", U"\u2122"}, {"\x9F", U"\u0178"},
        {"\x85", U"\u2026"}, {"\xA0", U"\u00A0"}, {"\xFF", U"ÿ"}, {"\x81", U"\u0081"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(FromWindows1252(c.bytes), c.text);
    }
}

} // namespace
