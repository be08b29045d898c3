#include "settings/PhraseEditor.h"

#include "base/Text.h"

const char* const kPhraseEditorInstructions =
    "Edit Special phrases (Skipped). These phrases/words will be removed from the output files\r\n"
    "Write one phrase/word for each line\r\n"
    "Empty Lines (zero length) will be ignored";

std::string PhrasesToText(const std::vector<std::u32string>& phrases)
{
    std::string text;
    for (std::size_t i = 1; i < phrases.size(); ++i)
        text += ToUtf8(phrases[i]) + "\r\n\r\n";
    return text;
}

std::vector<std::u32string> TextToPhrases(std::string_view text)
{
    std::vector<std::u32string> phrases(1);
    for (const std::string_view line : SplitLines(text))
        if (!line.empty())
            phrases.push_back(FromUtf8(line));
    return phrases;
}
