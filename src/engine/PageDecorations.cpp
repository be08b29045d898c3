#include "engine/PageDecorations.h"

#include "engine/Masks.h"

std::u32string HeaderText(const std::u32string& title, int fileNumber, int documentPage, bool fileNumbersOn,
                          bool documentPagesOn)
{
    std::u32string header = title;
    if (fileNumbersOn)
        header += U" - File# " + FormatNumber(fileNumber, U"#");
    if (documentPagesOn)
        header += U" - DocPg# " + FormatNumber(documentPage, U"00000");
    return header;
}
