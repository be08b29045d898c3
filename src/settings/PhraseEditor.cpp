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
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find_first_of("\r\n", from);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > from)
            phrases.push_back(FromUtf8(text.substr(from, end - from)));
        from = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return phrases;
}
