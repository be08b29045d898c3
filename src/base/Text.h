#pragma once

#include <string>
#include <string_view>
#include <vector>

// The engine works on characters (code points): a line of the book, a mask and a title are std::u32string,
// and every position, length and cut counts characters. File names and settings travel as UTF-8 std::string.

std::u32string FromUtf8(std::string_view utf8);  // invalid sequences become U+FFFD
std::string ToUtf8(std::u32string_view text);
bool IsValidUtf8(std::string_view bytes);
std::u32string FromWindows1252(std::string_view bytes);
// UTF-16 in either byte order; an unpaired surrogate or a cut-off unit becomes U+FFFD.
std::u32string FromUtf16(std::string_view bytes, bool littleEndian);

// The lines of a text, each without its line break: a line ends at CR LF, CR or LF. A line break at the very end
// starts no further line, so "a\r\n" is one line and "" none; empty lines in between count ("a\n\nb" is three).
std::vector<std::string_view> SplitLines(std::string_view text);

// Blanks only, as the old runtime's Trim: tabs and other white space stay.
std::u32string TrimBlanks(std::u32string_view text);
std::u32string TrimLeadingBlanks(std::u32string_view text);

// Unicode simple case mapping: "Café" gives "CAFÉ".
std::u32string ToUpper(std::u32string_view text);
std::u32string ToLower(std::u32string_view text);

// Unicode letters of any script, as the C library's UTF-8 character classes know them: capital (upper-case)
// letters, small (lower-case) letters, and letters of either kind or none ("é", "Ж" and "あ" are letters; the
// digits of every script and punctuation are not).
bool IsCapitalLetter(char32_t c);
bool IsSmallLetter(char32_t c);
bool IsLetter(char32_t c);
// A decimal digit of any script: "0" to "9", the Arabic-Indic "٣", the Devanagari "३". The C library counts
// the digits of other scripts as letters; these functions do not.
bool IsDecimalDigit(char32_t c);

// A number as decimal text, and back: the leading number of a text (blanks, a sign, digits, a point and
// decimals), 0 when there is none, as the old runtime's Val reads it.
std::u32string ToText(long long number);
double LeadingNumber(std::u32string_view text);
