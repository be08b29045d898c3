#include "books/LineReader.h"
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

// Reads a book of these bytes whole, and says how it was read; every byte counts, once. A line that comes in
// pieces is put together again; pieces holds each piece's length.
std::vector<std::u32string> ReadAll(const std::string& bytes, const std::string& codePage = "Windows-1252",
                                    std::string* encoding = nullptr, std::vector<std::size_t>* pieces = nullptr)
{
    TempDir dir;
    WriteFileText(dir.Path("book.txt"), bytes);
    const auto opened = LineReader::Open(dir.Path("book.txt"), codePage);
    EXPECT_TRUE(opened) << opened.Failure().message;
    std::vector<std::u32string> lines;
    if (!opened)
        return lines;
    const auto& reader = *opened;
    bool continued = false;
    for (std::u32string line; reader->ReadLine(line);) {
        if (continued)
            lines.back() += line;
        else
            lines.push_back(line);
        continued = reader->Continues();
        if (pieces)
            pieces->push_back(line.size());
    }
    EXPECT_FALSE(continued) << "the last piece said a piece would follow";
    EXPECT_TRUE(reader->Error().empty()) << reader->Error();
    EXPECT_EQ(reader->Size(), bytes.size());
    EXPECT_EQ(reader->BytesConsumed(), bytes.size());
    if (encoding)
        *encoding = reader->EncodingName();
    return lines;
}

// A line longer than a piece comes in pieces of at most 64 KiB, cut after a blank near the end when there is one,
// never inside a character, and is the same line put together.
TEST(LineReader, ALongLineComesInPieces)
{
    using namespace std::string_literals;
    std::string words;
    while (words.size() < 200000)
        words += "word" + std::to_string(words.size() % 97) + " ";
    std::string accents, wide;
    for (int i = 0; i < 70000; ++i)
        accents += "\xC3\xA9";  // é, two bytes: no blank anywhere
    for (int i = 0; i < 40000; ++i)
        wide += "\x3D\xD8\x00\xDE"s;  // 😀 in UTF-16LE: a surrogate pair
    const struct { const char* what; std::string bytes; std::u32string line; } cases[] = {
        {"words", words + "\r\nnext", FromUtf8(words)},
        {"two-byte characters", accents + "\nnext", FromUtf8(accents)},
        {"surrogate pairs", "\xFF\xFE"s + wide + "\n\0n\0e\0x\0t\0"s, std::u32string(40000, U'😀')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::size_t> pieces;
        const auto lines = ReadAll(c.bytes, "Windows-1252", nullptr, &pieces);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_TRUE(lines[0] == c.line) << lines[0].size() << " characters against " << c.line.size();
        EXPECT_EQ(lines[1], U"next");
        EXPECT_GT(pieces.size(), 3u);
        EXPECT_EQ(lines[0].find(U'\uFFFD'), std::u32string::npos);
        for (std::size_t piece : pieces)
            EXPECT_LE(piece, kChunk);
    }
    // Cut after blanks, each piece of words ends with one.
    TempDir dir;
    WriteFileText(dir.Path("book.txt"), words);
    auto reader = std::move(*LineReader::Open(dir.Path("book.txt"), "Windows-1252"));
    for (std::u32string piece; reader->ReadLine(piece) && reader->Continues();)
        EXPECT_EQ(piece.back(), U' ');
}

// The byte-order mark decides, then a wide code page the user named, then valid UTF-8, then the code page.
TEST(LineReader, LineBreaksAndEncodings)
{
    using namespace std::string_literals;
    const std::string units(kChunk / 2 - 1, 'x');
    std::string wideUnits;
    for (char c : units)
        wideUnits += c, wideUnits += '\0';
    const std::string cp = "Windows-1252", full(kChunk - 1, 'x'), two(kChunk - 2, 'x');
    const std::u32string uFull(kChunk - 1, U'x'), uTwo(kChunk - 2, U'x');
    const struct { std::string bytes, codePage; std::vector<std::u32string> lines; std::string encoding; } cases[] = {
        {"", cp, {}, "UTF-8"}, {"a", cp, {U"a"}, "UTF-8"}, {"a\r\n", cp, {U"a"}, "UTF-8"}, {"\n", cp, {U""}, "UTF-8"},
        {"a\r\n\r\n", cp, {U"a", U""}, "UTF-8"}, {"a\nb\nc\n", cp, {U"a", U"b", U"c"}, "UTF-8"},
        {"a\rb\rc", cp, {U"a", U"b", U"c"}, "UTF-8"}, {"a\r\rb", cp, {U"a", U"", U"b"}, "UTF-8"},
        {"a\n\rb", cp, {U"a", U"", U"b"}, "UTF-8"}, {"\xEF\xBB\xBF", cp, {}, "UTF-8"},
        {"\xEF\xBB\xBFhi\r\nthere", cp, {U"hi", U"there"}, "UTF-8"},
        {"caf\xC3\xA9 \xE2\x82\xAC\r\n", cp, {U"café €"}, "UTF-8"},
        {"caf\xE9 \x80\r\n\x99", cp, {U"café €", U"™"}, cp},
        {"\x9F\x85\xA0\xFF\x81", cp, {U"\u0178\u2026\u00A0ÿ\u0081"}, cp},  // an unassigned byte keeps its code
        {"abcdefgh\x80ijklmnopq\x99", cp, {U"abcdefgh€ijklmnopq™"}, cp},
        // one bad byte anywhere makes the whole file the code page's
        {"\xC3\xA9\r\n\xE9", cp, {U"Ã©", U"é"}, cp},
        {"\xED\xA0\x80", cp, {U"í\u00A0€"}, cp},  // an encoded surrogate is not UTF-8
        {"\xC0\xAF", cp, {U"À¯"}, cp},            // nor is an overlong form
        {"\xEF\xBB\xBF" "caf\xC3\xA9\r\nx", "CP1250", {U"café", U"x"}, "UTF-8"},
        {"\xEF\xBB\xBF" "a\xE9", "CP1250", {U"a\uFFFD"}, "UTF-8"},  // the mark decides, whatever follows
        {"\xFF\xFE" "c\0a\0f\0\xE9\0\r\0\n\0x\0"s, cp, {U"café", U"x"}, "UTF-16LE"},
        {"\xFE\xFF" "\0c\0a\0f\0\xE9\0\r\0\n\0x"s, cp, {U"café", U"x"}, "UTF-16BE"},
        {"\xFF\xFE" "\x3D\xD8\x00\xDE\n\0\r\0"s, cp, {U"😀", U""}, "UTF-16LE"},
        {"\xFF\xFE" "\x0D\x01\x0A"s, cp, {U"č\uFFFD"}, "UTF-16LE"},  // a cut-off last unit
        {"\xFF\xFE" + wideUnits + "\r\0\n\0y\0"s, cp, {FromUtf8(units), U"y"}, "UTF-16LE"},
        {"h\0i\0\n\0"s, "UTF-16LE", {U"hi"}, "UTF-16LE"},  // a wide code page the user named, no mark
        {"\x8A\xE8\r\n\xB9", "CP1250", {U"Šč", U"ą"}, "CP1250"},
        {"\x8A\xE8\r\n\xB9", cp, {U"Šè", U"¹"}, cp},
        {"\xC2\xD2\xD5", "KOI8-R", {U"бру"}, "KOI8-R"},
        {"caf\xC3\xA9", "CP1250", {U"café"}, "UTF-8"},  // valid UTF-8 wins over the code page
        // CR the first chunk's last byte, LF the next chunk's first
        {full + "\r\ny", cp, {uFull, U"y"}, "UTF-8"},
        {full + "\r\n", cp, {uFull}, "UTF-8"},
        {full + "\r\n\r\n", cp, {uFull, U""}, "UTF-8"},
        {full + "\rz", cp, {uFull, U"z"}, "UTF-8"},
        {full + "\r", cp, {uFull}, "UTF-8"},
        {full + "x\r\ny", cp, {uFull + U"x", U"y"}, "UTF-8"},
        {two + "\r\n\ny", cp, {uTwo, U"", U"y"}, "UTF-8"},
        {"\xEF\xBB\xBF" + std::string(kChunk - 4, 'x') + "\r\ny", cp, {std::u32string(kChunk - 4, U'x'), U"y"}, "UTF-8"},
        // UTF-8 sequences cut by the chunk's end
        {full + "\xC3\xA9", cp, {uFull + U"é"}, "UTF-8"},
        {two + "\xF0\x9F\x98\x80", cp, {uTwo + U"😀"}, "UTF-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes.substr(0, 40)) + " " + std::to_string(c.bytes.size()) + " " + c.codePage);
        std::string encoding;
        EXPECT_EQ(ReadAll(c.bytes, c.codePage, &encoding), c.lines);
        EXPECT_EQ(encoding, c.encoding);
    }
}

TEST(LineReader, RefusesWhatIsNotABookWithAClearMessage)
{
    TempDir dir;
    std::ofstream(dir.Path("program.txt"), std::ios::binary) << std::string("text\0\x01\x02 more", 13);
    std::string le, be, wideBinary;
    for (char c : std::string("Chapter 1\r\nIt was a long road.\r\n"))
        le += {c, '\0'}, be += {'\0', c}, wideBinary += {c, '\0', '\0', c};  // the last has NULs on both sides
    std::ofstream(dir.Path("le.txt"), std::ios::binary) << le;
    std::ofstream(dir.Path("be.txt"), std::ios::binary) << be;
    std::ofstream(dir.Path("both.txt"), std::ios::binary) << wideBinary;
    const struct { std::string path, codePage, message; } cases[] = {
        {dir.Path("missing.txt"), "Windows-1252", "missing.txt"},
        {dir.Root().string(), "Windows-1252", "it is a folder"},
        {dir.Path("program.txt"), "Windows-1252", "not a text file"},
        {dir.Path("le.txt"), "Windows-1252", "UTF-16 without a byte-order mark does; name its encoding: --encoding UTF-16LE"},
        {dir.Path("be.txt"), "CP1250", "--encoding UTF-16BE"},
        {dir.Path("both.txt"), "Windows-1252", "not a text file"},
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
    for (int i = 0; i < 20000; ++i)  // every kind of line break, over several chunks
        bytes += "line " + std::to_string(i) + (i % 3 == 0 ? "\n" : i % 3 == 1 ? "\r\n" : "\r");
    bytes += "\x80";
    const std::string fifo = dir.Path("book.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << bytes; });
    const auto opened = LineReader::Open(fifo, "Windows-1252");
    writer.join();
    ASSERT_TRUE(opened) << opened.Failure().message;
    const auto& reader = *opened;
    const std::vector<std::u32string> fromFile = ReadAll(bytes);
    ASSERT_EQ(fromFile.size(), 20002u);
    for (int i : {0, 1, 2, 5957, 5958, 19999})
        EXPECT_EQ(fromFile[static_cast<std::size_t>(i) + 1], FromUtf8("line " + std::to_string(i)));
    EXPECT_EQ(reader->Size(), bytes.size());
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<std::u32string> lines;
        for (std::u32string line; reader->ReadLine(line);)
            lines.push_back(line);
        EXPECT_EQ(lines, fromFile);
        EXPECT_EQ(reader->BytesConsumed(), bytes.size());
        ASSERT_TRUE(reader->Rewind());
    }
}

// A NUL refuses a book only when it is opened; one written into it afterwards is read as a character of its line.
TEST(LineReader, ANulWrittenAfterOpeningIsPartOfItsLine)
{
    using namespace std::string_literals;
    TempDir dir;
    WriteFileText(dir.Path("book.txt"), "ab\r\ncd\nef");
    const auto opened = LineReader::Open(dir.Path("book.txt"), "Windows-1252");
    ASSERT_TRUE(opened) << opened.Failure().message;
    std::ofstream(dir.Path("book.txt"), std::ios::binary) << "a\0\r\n\0d\n\0\0"s;
    std::vector<std::u32string> lines;
    for (std::u32string line; (*opened)->ReadLine(line);)
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::u32string>{U"a\0"s, U"\0d"s, U"\0\0"s}));
    EXPECT_EQ((*opened)->BytesConsumed(), 9u);
}

TEST(Text, Utf8Checks)
{
    const struct { std::string bytes; bool valid; std::u32string decoded; } cases[] = {
        {"", true, U""}, {"abc", true, U"abc"}, {"\xC3\xA9", true, U"é"}, {"\xF0\x9F\x98\x80", true, U"😀"},
        {"\xF4\x8F\xBF\xBF", true, U"\U0010FFFF"}, {"\xC3", false, U"\uFFFD"}, {"\xE9t\xE9", false, U"\uFFFDt\uFFFD"},
        {"\xC0\xAF", false, U"\uFFFD\uFFFD"}, {"\xED\xA0\x80", false, U"\uFFFD\uFFFD\uFFFD"},
        {"\xF4\x90\x80\x80", false, U"\uFFFD\uFFFD\uFFFD\uFFFD"},
        // plain text is looked at eight bytes at a time: runs that end at, before and after such a block
        {"abcdefgh", true, U"abcdefgh"}, {"abcdefghi\xC3\xA9", true, U"abcdefghié"},
        {"abcdefg\xC3\xA9hijklmnopq", true, U"abcdefgéhijklmnopq"}, {"abcdefgh\xC3", false, U"abcdefgh\uFFFD"},
        {"abcdefghijklmno\xE2\x82", false, U"abcdefghijklmno\uFFFD\uFFFD"},
        {"\xE9" "abcdefghijklmnop", false, U"\uFFFDabcdefghijklmnop"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
        EXPECT_EQ(FromUtf8(c.bytes), c.decoded);
        EXPECT_TRUE(!c.valid || ToUtf8(FromUtf8(c.bytes)) == c.bytes);
    }
}

} // namespace
