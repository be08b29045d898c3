#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The per-line rules applied before the words of a line are fitted into the page: source page marks,
// marked phrases, collapsing of blank lines and the smart line feeds that join lines broken mid-sentence.

// The classes of the first and last character of a line. A letter class answers for a string of one character;
// the punctuation is found with a plain search of its list.
bool IsCapital(std::u32string_view s);     // a capital letter of any script: "A", "É", "Ж"
bool IsLowerClass(std::u32string_view s);  // a small letter of any script ("a", "é", "ж"), "(", ")", ","
bool EndsSentence(std::u32string_view s);  // ".", "?", ":"
bool IsDigit(std::u32string_view s);       // one decimal digit 0 to 9

// The new-page character named by its decimal code (txtASCIISep); nothing for a text that is not a whole
// number naming a character (empty, 0, letters, beyond Unicode).
std::optional<char32_t> NewPageCharacter(std::u32string_view codeText);
bool IsNewPageLine(std::u32string_view line, std::optional<char32_t> newPageCharacter);

// "Skip ASCII < 32": the line without its control characters below 32; a tab becomes one blank. The new-page
// character is kept as it is, whatever its code (a tab too), so the book's page marks still count.
std::u32string WithoutControlCharacters(std::u32string_view line, std::optional<char32_t> newPageCharacter);

// A line begins like one of the phrases (elements 1 .. n; element 0 holds none), or is itself the beginning
// of one. A phrase of punctuation and blanks only (".", "* * *") marks a line only when the line, trimmed of
// blanks, is the phrase trimmed. An empty line is never marked; with skipOn false nothing is.
bool IsPunctuationPhrase(std::u32string_view phrase);
bool IsMarkedPhrase(std::u32string_view line, bool skipOn, const std::vector<std::u32string>& phrases);

// What a line starting in the source tells about where it belongs.
struct LineStart {
    std::u32string firstWord;
    long fitWidth = 0;
    bool isShort = false;
    bool loose = false;
    std::u32string firstChar;
    bool overflows = true;
    bool stopThenCapital = true;
    bool lowerToLower = true;
    bool leadingWord = false;
};

struct LineStartInput {
    std::u32string_view line;
    float lineWidth = 0;          // measured width of the whole line
    long previousLineWidth = 0;   // PreviousLineWidth
    long referenceWidth = 0;      // ReferenceWidth, this line included
    std::u32string_view previousFirstChar;
    std::u32string_view lastChar;
    bool smartLineFeeds = true;   // chkSmartLF is 1
    std::function<float(std::u32string_view)> measure;  // text width on the canvas
};

LineStart EvaluateLineStart(const LineStartInput& input);

// For a line that is not blank: true for a new row, false to join the row before.
bool StartsNewRow(const LineStart& start, std::u32string_view lastChar);

// For a blank line: true when it makes a line break.
bool BlankLineBreaks(const LineStart& start, int blankCount, std::u32string_view lastChar);
