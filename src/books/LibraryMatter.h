#pragma once

#include <string_view>

// The line that closes the front matter of a library e-book (its licence and notes), and the ones that open its
// back matter, in its text and in its HTML editions alike.
bool IsFrontMatterEnd(std::u32string_view line);   // "*** START OF", "***START OF", in either case
bool IsBackMatterStart(std::u32string_view line);  // "*** END OF", or "End of (the) Project Gutenberg ..."
