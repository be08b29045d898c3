#pragma once

#include "base/MaskPattern.h"

#include <functional>
#include <string>
#include <string_view>

// Heading recognition: the number formatting of labels and file names, and the test
// that turns a source line into a chapter or paragraph heading. All positions and lengths count characters.

// True when at least half of the characters of text (untrimmed) are letters of any script; false for a text that
// is empty or all blanks.
bool IsMostlyLetters(std::u32string_view text);

// Formats a number text with a format such as "00.0", "00000" or "#". Before the first ".", "0" is a digit always
// shown and "#" a digit shown only when significant; the digits fill these from the right and any extra high
// digits go in front of the first one. After the point every "0" or "#" shows one decimal, rounded half away from
// zero on the digits themselves. The integer part always shows at least one digit, so 0 with "#" gives "0" and
// 0.5 with "#.0" gives "0.5"; a format without integer digits gets them just before its point. Any other
// character of the format is copied where it stands, and a result that is all zeros carries no minus sign.
// A text that does not read as a number (blanks, an optional sign, digits with at most one point, at least one
// digit) comes out unchanged, and so does any text under an empty format.
std::u32string FormatNumber(std::u32string_view numberText, std::u32string_view format);
std::u32string FormatNumber(long long number, std::u32string_view format);

// The settings and run values the heading test reads.
struct HeadingContext {
    int charsPerLine = 0;          // CharsPerLine
    int fileNumber = 1;            // FileNumber
    int documentPage = 1;          // DocumentPage
    bool fileNumbersOn = true;     // chkFileNr is 1
    bool documentPagesOn = false;  // chkDocPageNr is 1
    bool chapterOn = true;         // chkChapter is 1
    bool paragraphOn = true;       // chkParagr is 1
    std::u32string_view format = U"00.0";  // txtFormat; the text must outlive the context
    std::function<bool(std::u32string_view)> isMarkedPhrase = {};  // may be empty: then nothing is marked
};

// The characters a header line leaves for the title beside the file and document page numbers; may be 0 or
// negative on a narrow canvas, which leaves no title at all.
int TitleRoom(const HeadingContext& context);

// A chapter heading read as "Chapter" and a blank, then the number, then the rest. The number runs from
// position 8 (counted from 1) to the first blank after the first full stop (or after position 9 when there is
// no full stop), or to the end of the line when there is no such blank; it is trimmed of blanks. The rest
// starts at the first blank at position 9 or later, that blank included, and is empty when there is none.
struct ChapterHeadingParts {
    std::u32string number;
    std::u32string rest;
};
ChapterHeadingParts SplitChapterHeading(std::u32string_view line);

// The number text of a paragraph heading: the line up to and including the first blank after its first full
// stop (or its first blank when there is no full stop); empty when there is no such blank.
std::u32string ParagraphNumberText(std::u32string_view line);

// Answers whether line is a chapter or a paragraph heading; only then replaces chapterTitle and chapterLabel.
// A chapter heading matches chapterMask, does not follow a mostly-letters line and is not a marked phrase; its
// label is "Ch " and the formatted number, its title the label and the rest, cut to TitleRoom, in capitals.
// Failing that, a paragraph heading follows an empty previous line (no characters at all) and, with a blank put
// in front, matches paragraphMask; its label is "Par " and the formatted number, its title "Par " and the whole
// line, cut to TitleRoom, in its own case. An empty mask or a switched-off test finds nothing.
bool DetectHeading(const HeadingContext& context, std::u32string_view line, std::u32string_view previousLine,
                   std::u32string_view chapterMask, std::u32string_view paragraphMask,
                   std::u32string& chapterTitle, std::u32string& chapterLabel);
