// A whole conversion of any bytes into a folder of its own. The first byte switches settings, the second picks
// the screen, the font size and whether control characters are dropped, the next line (up to a LF) is the file root as --set gives it, and the rest is
// the book. Whatever it holds: the run finishes, nothing is written outside the run's folder, no temporary file
// stays, every name is free of control characters, every page written is counted, and no text is printed
// below the bottom of the page.
#include "FuzzSupport.h"
#include "engine/ConversionRun.h"
#include "platform/Fonts.h"
#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace {

// Text printed on a row that does not fit the page any more is never seen.
struct BottomWatch : RunHost {
    SettingsModel* settings = nullptr;
    RunState* state = nullptr;
    std::string overflow;

    void PreviewPrint(std::u32string_view text, bool newRow) override
    {
        const PageCanvas& canvas = settings->Canvas();
        if (!text.empty() && !newRow && overflow.empty() &&
            canvas.CurrentY() + static_cast<float>(state->LineHeight) > static_cast<float>(canvas.Height()))
            overflow = "text printed at y " + std::to_string(canvas.CurrentY()) + " on a page " +
                       std::to_string(canvas.Height()) + " high";
    }
};

// A hidden name anywhere, or one of the temporary files pages are written through. The root names the output
// folder, so a folder may well end in ".tmp".
bool Hidden(const fs::path& entry, bool file)
{
    for (const fs::path& piece : entry)
        if (piece.string().starts_with('.'))
            return true;
    return file && entry.extension() == ".tmp";
}

bool HasControlCharacter(const std::string& name)
{
    return std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// The settings, the run's state and the page output, kept from input to input as the desktop program keeps them
// from run to run. Making a settings model with its page canvas, and the page output's pictures, costs more
// than converting a short book; with one desk for each page size and turn an input can choose, no picture is
// made again for a page of another size.
struct Desk {
    SettingsModel settings;
    RunState state;
    PageOutput output{settings, state};
    Desk() { ApplyStartUpDefaults(settings); }
};

Desk& DeskFor(bool small, bool turned)
{
    // The font library is made first, so that it is closed after the desks, whose canvases hold its fonts.
    FontLibrary::Instance();
    static std::array<std::optional<Desk>, 4> desks;
    std::optional<Desk>& desk = desks[(small ? 2 : 0) + (turned ? 1 : 0)];
    if (!desk)
        desk.emplace();
    return *desk;
}

void Set(SettingsModel& settings, const std::string& key, const std::string& value)
{
    const std::optional<std::string> refused = settings.ApplyEdit(key, value);
    // Each input sets every value it chooses, so that nothing of the input before it decides its run.
    FUZZ_CHECK(!refused, *refused);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::uint8_t switches = data[0], screen = data[1];
    auto [root, book] = SplitAt({data + 2, size - 2}, '\n');
    if (root.size() > 600)
        return 0;

    // The run's folder lies two levels down, so that a page escaping by ".." or "../.." is caught in base.
    const fs::path base = ScratchFolder() / "conversion";
    const fs::path runFolder = base / "a" / "b";
    std::error_code ignored;
    fs::remove_all(base, ignored);
    fs::create_directories(runFolder);
    const std::string bookPath = (runFolder / "book.txt").string();
    // A book with NUL bytes is refused as not text, unless it is UTF-16: such a book is widened to UTF-16 so
    // that NUL characters still reach the headings and the names.
    std::string text(book);
    if (!text.starts_with("\xFF\xFE") && !text.starts_with("\xFE\xFF") && text.find('\0') != std::string::npos) {
        std::string wide = "\xFF\xFE";
        for (const char c : text)
            wide += c, wide += '\0';
        text = std::move(wide);
    }
    std::ofstream(bookPath, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));

    Desk& desk = DeskFor(screen & 1, switches >> 3 & 1);
    SettingsModel& settings = desk.settings;
    RunState& state = desk.state;
    state = RunState{};
    settings.SetPageText({});  // the last run's page, which the edits below would print again
    const char* const names[] = {"chkDiffFold", "chkSmartLF", "chkUseChapInFN", "chkRotate",
                                 "chkPureBW",   "chkMultCR",  "chkSkipW",       "chkDocPageNr"};
    for (int bit = 0; bit < 8; ++bit)
        Set(settings, names[bit], switches >> bit & 1 ? "1" : "0");
    Set(settings, "optScrRes", screen & 1 ? "2" : "0");  // 208 x 208 or 320 x 240
    Set(settings, "txtFontSize", std::to_string(6 + (screen >> 1) % 8));
    Set(settings, "chkNoChars", screen & 16 ? "1" : "0");
    Set(settings, "txtOutFileName", std::string(root.empty() ? "book" : root));
    settings.TypeText("txtInpFile", bookPath);
    // The book is the same file every time and the root may be the last one: neither edit would derive the
    // output folder again, and the last run left the one it settled on.
    settings.UpdateOutputPath();

    BottomWatch host;
    host.settings = &settings;
    host.state = &state;
    ConversionRun run(settings, state, desk.output, host);
    const RunResult result = run.Run();
    FUZZ_CHECK(result.outcome == RunResult::Outcome::Finished, result.error);
    FUZZ_CHECK(host.overflow.empty(), host.overflow);

    int pages = 0;
    for (const fs::path& entry : TreeOf(base)) {
        const std::string shown = entry.string();
        FUZZ_CHECK(entry == "a" || entry == "a/b" || shown.starts_with("a/b/"), "written outside its folder: " + shown);
        const bool file = fs::is_regular_file(base / entry);
        FUZZ_CHECK(!Hidden(entry, file), "a temporary or hidden file stays: " + shown);
        FUZZ_CHECK(!HasControlCharacter(shown), "a control character in a name");
        if (entry.extension() == ".jpg" && file) {  // the root may name a folder x.jpg
            FUZZ_CHECK((base / entry).string().starts_with(settings.OutputPath()), "outside the output folder: " + shown);
            ++pages;
        }
    }
    FUZZ_CHECK(pages == state.PagesWritten,
               std::to_string(pages) + " pages found, " + std::to_string(state.PagesWritten) + " reported");
    return 0;
}
