#include "books/LibraryMatter.h"

#include "base/Text.h"

#include <algorithm>

namespace {

// "***", blanks or none, then the words in either case.
bool IsMarkerLine(std::u32string_view line, std::u32string_view words)
{
    if (!line.starts_with(U"***"))
        return false;
    line.remove_prefix(std::min(line.size(), line.find_first_not_of(U' ', 3)));
    return ToUpper(line.substr(0, words.size())) == words;
}

} // namespace

bool IsFrontMatterEnd(std::u32string_view line) { return IsMarkerLine(line, U"START OF"); }

bool IsBackMatterStart(std::u32string_view line)
{
    // The library's closing line comes just before its marker and belongs with it.
    return IsMarkerLine(line, U"END OF") || line.starts_with(U"End of the Project Gutenberg") ||
           line.starts_with(U"End of Project Gutenberg");
}
