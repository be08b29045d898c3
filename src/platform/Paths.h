#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Path and file-name routines. Paths are UTF-8; "/" is the folder separator.

struct SplitParts {
    std::string fileName;
    std::string folder;
};

// Splits at the last "/": the file name is what follows it (the whole path when there is none); the folder is
// what precedes it, and is empty when there is no "/" or the only one is the path's first character.
SplitParts SplitPath(std::string_view path);

// The folder of SplitPath, without a trailing "/": "/books/novel.txt" gives "/books", "novel.txt" gives "".
std::string FolderOf(std::string_view path);

// The file name up to its first dot, or the whole file name when it has none or begins with one:
// "/books/novel.part2.txt" gives "novel", ".cfg" gives ".cfg".
std::string BaseName(std::string_view path);

// Replaces every blank, "/", "\", ":", "*", "?", "<", ">", "|" and '"' with the replacement text, except a final
// "/" or "\", which stays. Other characters, multi-byte UTF-8 ones included, are kept.
std::string CleanFileName(std::string_view name, std::string_view replacement);

// The longest name a folder entry may have in folder's file system, in bytes: what the system says, at most 255
// (255 when it cannot say, for instance because the folder does not exist yet).
std::size_t NameMaxFor(const std::string& folder);

// Whether a name piece keeps its blanks: page names do ("novel_00002 (Ch 01.1).jpg"), chapter folders do not
// ("CH_01.1_THE_ROAD").
enum class Blanks { Replace, Keep };

// The one rule for every piece of a file or folder name that comes from the book, a profile or a setting.
// What CleanFileName replaces (a final separator too; blanks only with Blanks::Replace), every control
// character (U+0000 to U+001F, U+007F to U+009F) and a leading dot become "_": the piece never splits a path,
// is never "." or "..", never hides, and holds nothing a FAT drive refuses ('"', "*", ":", "<", ">", "?", "\",
// "|"). A piece longer than maxBytes is cut at a character boundary and ends in "~" and 8 hex digits of a hash
// of the whole piece, so different long pieces stay different. An empty piece stays empty.
std::string SafeNamePiece(std::string_view piece, std::size_t maxBytes = 255, Blanks blanks = Blanks::Replace);

// The file root as it goes into a name, its blanks kept: SafeNamePiece, short enough that a page name (root,
// "_", file number, " (", chapter, ").jpg") keeps room for its number and some of its chapter in a nameMax-byte
// name.
std::string RootPiece(std::string_view root, std::size_t nameMax);

// Shortens a path to fit widthPixels by replacing folder names after its first part with "...", always keeping
// the first part and the last component: "/home/ann/books/ch1/p.jpg" may become "/home/.../ch1/p.jpg".
// measure answers the pixel width of a UTF-8 text. A text that fits is returned unchanged, and so is one with no
// folder between its first part and last component; when even "first/.../last" does not fit, that is the answer
// unless it is no narrower than the text itself.
std::string CompactToFit(std::string_view text, int widthPixels, const std::function<int(std::string_view)>& measure);
