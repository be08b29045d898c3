#pragma once

#include "TempDir.h"
#include "engine/ConversionRun.h"
#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// The lines of a book, each ended as given.
inline std::string Lines(std::initializer_list<const char*> lines, const char* end = "\r\n")
{
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + end;
    return text;
}

// "line 1" to "line count", one a line.
inline std::string NumberedLines(int count)
{
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    return text;
}

// A host that remembers every page handed to the preview, and can let a paused run go on a number of times.
struct RecordingHost : RunHost {
    std::vector<std::u32string> pages;  // the text of every page handed to the preview
    std::vector<std::u32string> headers;  // the header line of every page laid out
    std::vector<std::pair<int, std::u32string>> headings;
    std::vector<std::string> shownFiles;
    int shownAsWritten = 0;  // of the files shown, those said to be written
    int waits = 0;
    int continues = 0;       // how many times a paused run may go on
    RunState* state = nullptr;
    std::size_t interruptAfter = SIZE_MAX;   // pages handed over before a signal asks the run to end
    std::function<void(int fileNumber)> atPageSave;  // what happens to the book or the settings meanwhile

    void PageSaveStarted(int fileNumber, std::uint64_t, std::uint64_t) override
    {
        if (atPageSave)
            atPageSave(fileNumber);
    }
    bool Interrupted() override { return pages.size() >= interruptAfter; }
    void PreviewPage(const Bitmap&, std::u32string_view text) override { pages.emplace_back(text); }
    void PageFileShown(const std::string& path, bool written) override { shownFiles.push_back(path); shownAsWritten += written; }
    void PageLaidOut(int, std::u32string_view header, std::u32string_view, bool) override { headers.emplace_back(header); }
    void HeadingFound(int page, std::u32string_view title) override { headings.emplace_back(page, title); }
    bool WaitWhilePaused() override
    {
        ++waits;
        if (continues-- <= 0)
            return false;
        state->Paused = false;
        return true;
    }
};

// A book in a temporary folder and the settings of a fresh start, ready to run.
struct RunFixture {
    TempDir dir;
    SettingsModel settings;
    RunState state;
    RecordingHost host;

    RunFixture() { ApplyStartUpDefaults(settings); host.state = &state; }

    using Edits = std::vector<std::pair<const char*, const char*>>;
    void Set(const Edits& edits)
    {
        for (const auto& [control, value] : edits)
            settings.ApplyEdit(control, value);
    }

    std::string Book(const std::string& content, const std::string& name = "novel.txt")
    {
        const std::string path = dir.Path(name);
        WriteFileText(path, content);
        settings.TypeText("txtOutFileName", "novel");
        settings.TypeText("txtInpFile", path);
        return path;
    }

    RunResult Run() { return Run(host); }
    RunResult Run(RunHost& with)
    {
        PageOutput output(settings, state);
        return ConversionRun(settings, state, output, with).Run();
    }

    std::string Out(const std::string& name) const { return dir.Path("novel/" + name); }
};
