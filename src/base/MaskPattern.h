#pragma once

#include <string>
#include <string_view>

// The small pattern language of the heading masks.

// True when the whole of text matches mask, case-sensitively (characters compare by code):
//   ?  any one character            #  any one digit 0-9
//   *  any run, the empty run too   [list] / [!list]  one character in / not in the list
// Inside a list, "a-z" covers every code from a to z (a range written high to low covers nothing), a hyphen
// first or last is itself, and ? * # [ are themselves. The first ] closes the list, so "[]" matches no
// character and "[!]" any one. A [ without a closing ] is itself, and so are a ] outside a list and a ! that
// does not open one. Runs in O(text × mask) at worst, however many stars the mask holds.
bool MatchesMask(std::u32string_view text, std::u32string_view mask);

// What is wrong with a mask that a person typed, or empty when nothing is: a [ whose list no ] closes, which
// MatchesMask takes as the character itself (so a mask a profile holds matches as it always did) but which
// is more likely a list left open. Says where, counting characters from 1.
std::string MaskSyntaxError(std::u32string_view mask);
