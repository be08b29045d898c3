#pragma once

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

// Shortens a path to fit widthPixels by replacing folder names after its first part with "...", always keeping
// the first part and the last component: "/home/ann/books/ch1/p.jpg" may become "/home/.../ch1/p.jpg".
// measure answers the pixel width of a UTF-8 text. A text that fits is returned unchanged, and so is one with no
// folder between its first part and last component; when even "first/.../last" does not fit, that is the answer
// unless it is no narrower than the text itself.
std::string CompactToFit(std::string_view text, int widthPixels, const std::function<int(std::string_view)>& measure);
