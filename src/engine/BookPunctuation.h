#pragma once

#include <functional>
#include <string>
#include <string_view>

// "Book punctuation": the typewriter's marks of a plain-text book as a printed book sets them. Straight quotes
// become opening and closing ones by their neighbours (an apostrophe inside or at the end of a word, and before
// the usual elisions such as 'tis and '90s, becomes ’), "--" an em dash, "..." an ellipsis when the face has one,
// and the underscores that mark _emphasis_ go. hasCharacter tells whether the face draws a character.
std::u32string BookPunctuation(std::u32string_view text, const std::function<bool(char32_t)>& hasCharacter);
