// Setting paragraphs on any text: the first byte is the room of a row (in characters of a face whose every
// character is 7 pixels wide) and switches hyphenation, the second the rows a page holds, the rest the paragraph
// (UTF-8). Whatever it holds: every word is set once and in order, hyphenated pieces put back together give the
// word, no row is wider than its room unless it holds one piece of a word wider than any row, no more than two
// rows in a row end in a hyphen, and pages never hold more rows than they have.
#include "FuzzSupport.h"
#include "base/Text.h"
#include "engine/BookPunctuation.h"
#include "engine/ParagraphSetter.h"
#include "platform/Hyphenator.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    static const std::unique_ptr<Hyphenator> english = Hyphenator::ForLanguage("en-US");
    const float room = 7.0f * static_cast<float>(1 + data[0] % 64);
    const std::u32string text =
        BookPunctuation(FromUtf8({reinterpret_cast<const char*>(data + 2), size - 2}), [](char32_t) { return true; });
    const auto measure = [](std::u32string_view t) { return 7.0f * static_cast<float>(t.size()); };
    ParagraphStyle style;
    style.firstRoom = style.room = room;
    style.hyphenator = data[0] & 64 ? english.get() : nullptr;
    style.keptLine = data[0] & 128;
    const SetText set = SetParagraph(text, style, measure);
    FUZZ_CHECK(!set.rows.empty() && set.rows.back().last, "no last row");

    // The words again, from the rows: a hyphenated row's last piece joins the next row's first.
    std::u32string again;
    int hyphenatedInARow = 0;
    for (const SetRow& row : set.rows) {
        float width = 0;
        for (std::size_t i = 0; i < row.words.size(); ++i)
            width += measure(row.words[i]) + (i > 0 && !row.kept ? 7.0f : 0.0f);
        FUZZ_CHECK(width < room || row.words.size() == 1, "a row of " + std::to_string(width) + " pixels in " +
                                                               std::to_string(room));
        hyphenatedInARow = row.hyphenated ? hyphenatedInARow + 1 : 0;
        FUZZ_CHECK(hyphenatedInARow <= 2, "three rows in a row end in a hyphen");
        std::u32string words = row.Text();
        if (row.hyphenated && !words.empty() && words.back() == U'-')
            words.pop_back();
        again += words;
        if (!row.hyphenated)
            again += U' ';
    }
    const auto squeeze = [](std::u32string_view t) {
        std::u32string out;
        for (char32_t c : t)
            if (c != U' ' && c != 0x00AD && c != U'-')
                out.push_back(c);
        return out;
    };
    FUZZ_CHECK(squeeze(again) == squeeze(text), "the rows do not hold the paragraph's words");

    const int pageRows = 1 + data[1] % 16, firstRoom = (data[1] >> 4) % 16;
    const std::vector<bool> breaks =
        PageBreaksBefore(static_cast<int>(set.rows.size()), firstRoom, pageRows, data[0] & 32);
    int onPage = 0, capacity = firstRoom;
    for (bool newPage : breaks) {
        if (newPage)
            onPage = 0, capacity = pageRows;
        FUZZ_CHECK(++onPage <= capacity, "a page holds more rows than it has");
    }
    return 0;
}
