#include "base/Text.h"
#include "platform/Paths.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace {

TEST(Paths, CleanFileNameReplacesForbiddenCharacters)
{
    const struct { const char* name; const char* replacement; const char* clean; } cases[] = {
        {"Ch 1: Intro?", "_", "Ch_1__Intro_"}, {"Ch 00.0 Introduction\\", "_", "Ch_00.0_Introduction\\"},
        {"a/b\\c/", "_", "a_b_c/"},          {"/", "_", "/"},
        {"<a|b>*\"c\"", "-", "-a-b---c-"},   {"a:b", "", "ab"},
        {"a b", "%20", "a%20b"},             {"日本 語?", "_", "日本_語_"},
        {"", "_", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CleanFileName(c.name, c.replacement), c.clean) << c.name;
}

TEST(Paths, SafeNamePieceNeverLeavesItsFolder)
{
    const struct { std::string piece; const char* clean; } cases[] = {
        {"Ch 1.2/x y", "Ch_1.2_x_y"},        {"a\\b:c*?<>|\"d/", "a_b_c______d_"},  // a final separator goes too
        {std::string("1.2\0x", 5), "1.2_x"}, {"\x1b[31mred\x7f", "_[31mred_"},
        {"\xc2\x9b" "2J", "_2J"},  // a C1 control, the terminal's one-byte escape
        {".", "_"},      {"..", "_."},   {"../up", "_._up"},        {".hidden", "_hidden"},
        {"v1.2..3", "v1.2..3"},          {"CAFÉ 日本", "CAFÉ_日本"}, {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SafeNamePiece(c.piece), c.clean) << c.piece;
    // Page names keep their blanks, and nothing else a FAT drive refuses.
    const struct { const char* piece; const char* clean; } keeping[] = {
        {"my novel", "my novel"}, {"Ch 1: Intro?", "Ch 1_ Intro_"}, {" a/b c ", " a_b c "}, {". x", "_ x"},
    };
    for (const auto& c : keeping)
        EXPECT_EQ(SafeNamePiece(c.piece, 255, Blanks::Keep), c.clean) << c.piece;
}

TEST(Paths, LongNamePiecesAreShortenedAndStayDistinct)
{
    const auto times200 = [](const std::string& s) { std::string r; for (int i = 0; i < 200; ++i) r += s; return r; };
    const struct { std::string piece; std::size_t maxBytes; } cases[] = {
        {std::string(300, '7'), 255}, {std::string(300, '7') + "8", 255}, {"CH " + std::string(400, 'X'), 255},
        {std::string(200, 'e') + std::string(100, 'X'), 255}, {std::string(300, 'r'), 191},
        {times200("é"), 255}, {times200("日"), 100},  // cut between the bytes of a character
    };
    std::set<std::string> seen;
    for (const auto& c : cases) {
        const std::string name = SafeNamePiece(c.piece, c.maxBytes);
        EXPECT_LE(name.size(), c.maxBytes) << c.piece;
        EXPECT_GE(name.size(), c.maxBytes - 3) << c.piece;  // at most a partial character is left out
        EXPECT_TRUE(IsValidUtf8(name)) << name;
        EXPECT_TRUE(seen.insert(name).second) << "two long pieces gave " << name;
    }
    EXPECT_EQ(RootPiece(std::string(300, 'r'), 255), SafeNamePiece(std::string(300, 'r'), 191));
    EXPECT_EQ(RootPiece("my novel", 255), "my novel");
    EXPECT_EQ(NameMaxFor("/"), 255u);
}

TEST(Paths, SplitPathFolderOfAndBaseName)
{
    const struct { const char* path; const char* fileName; const char* folder; const char* base; } cases[] = {
        {"/books/fantasy/novel.part2.txt", "novel.part2.txt", "/books/fantasy", "novel"},
        {"novel.txt", "novel.txt", "", "novel"}, {"/novel.txt", "novel.txt", "", "novel"},
        {"books/novel", "novel", "books", "novel"}, {"/books/", "", "/books", ""},
        {"/books.d/.cfg", ".cfg", "/books.d", ".cfg"}, {".cfg", ".cfg", "", ".cfg"}, {"", "", "", ""},
    };
    for (const auto& c : cases) {
        const SplitParts parts = SplitPath(c.path);
        EXPECT_EQ(parts.fileName, c.fileName) << c.path;
        EXPECT_EQ(parts.folder, c.folder) << c.path;
        EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
        EXPECT_EQ(BaseName(c.path), c.base) << c.path;
    }
}

TEST(Paths, CompactToFitElidesFoldersAfterTheFirstPart)
{
    // 7 pixels per character; "É" is one character of two bytes.
    const auto measure = [](std::string_view text) {
        return 7 * static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    };
    const std::string path = "/home/annabel/books/Ch_01/novel_00001.jpg";  // 41 characters
    const struct { const char* text; int width; const char* fitted; } cases[] = {
        {path.c_str(), 7 * 41, "/home/annabel/books/Ch_01/novel_00001.jpg"},
        {path.c_str(), 7 * 40, "/home/.../books/Ch_01/novel_00001.jpg"},
        {path.c_str(), 7 * 37, "/home/.../books/Ch_01/novel_00001.jpg"},
        {path.c_str(), 7 * 36, "/home/.../Ch_01/novel_00001.jpg"},
        {path.c_str(), 7 * 30, "/home/.../novel_00001.jpg"}, {path.c_str(), 7 * 5, "/home/.../novel_00001.jpg"},
        {"books/a long folder/CAFÉ/p.jpg", 7 * 20, "books/.../CAFÉ/p.jpg"},
        {"/home/annabel/Ch_01/", 7 * 16, "/home/.../Ch_01/"}, {"/home/novel_00001.jpg", 7 * 10, "/home/novel_00001.jpg"},
        {"novel_00001.jpg", 7 * 3, "novel_00001.jpg"}, {"/a/b/c.jpg", 7 * 5, "/a/b/c.jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompactToFit(c.text, c.width, measure), c.fitted) << c.text << " in " << c.width;
}

} // namespace
