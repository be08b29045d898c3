#pragma once

#include <optional>
#include <string>
#include <string_view>

// A run names its pages root_00012 (chapter).jpg, or .png: the root as the names hold it (RootPiece), an
// underscore, the file number in five digits or more, and the chapter text in parentheses, empty without one. The
// pages lie in the output folder or, one a chapter, in its sub-folders; or, by the same names, in the run's archive
// root + kArchiveExtension in the output folder.

// The comic-book archive's extension: a ZIP of page images.
constexpr std::string_view kArchiveExtension = ".cbz";

// The file number of name as its digits, when name is a page of root; nothing otherwise. A root that only begins
// another root's names ("novel" before "novel_2_00001 ().jpg") is not theirs.
std::optional<std::string_view> PageNumberDigits(std::string_view name, std::string_view root);

// The file number as a page name writes it: 00012, 123456.
std::string PageNumberText(int number);

// The path of page number of root in folder or one of its sub-folders, whatever chapter text its name holds; when
// it lies in several places, the one written last. Nothing when there is none. Costs a listing of the folder and of
// each of its sub-folders.
std::optional<std::string> FindPageFile(const std::string& folder, std::string_view root, int number);

// The bytes of page number of root in the archive at path, read by its entry's name; nothing when the archive or
// the page is not there or cannot be read.
std::optional<std::string> ReadArchivePage(const std::string& path, std::string_view root, int number);
