#pragma once

#include <string>
#include <string_view>
#include <vector>

// The marked-phrase editor's two conversions.

// The instructions above the text box.
extern const char* const kPhraseEditorInstructions;

// Phrases 1 .. n (element 0 holds none) as text: each phrase followed by an empty line, lines ending in CR LF.
std::string PhrasesToText(const std::vector<std::u32string>& phrases);

// Text back to phrases: one per line (CR LF, LF or CR), lines of zero length dropped, blanks kept. A last line
// typed without a line break counts too. Element 0 holds no phrase.
std::vector<std::u32string> TextToPhrases(std::string_view text);
