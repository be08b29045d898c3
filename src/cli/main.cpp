// leafcast: converts a plain-text book into numbered JPEG pages from the command line.
#include "cli/ConsoleRunHost.h"
#include "engine/ConversionRun.h"
#include "imaging/AppError.h"
#include "platform/Paths.h"
#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

struct ConvertOptions {
    std::string book;
    std::string profile;
    std::vector<std::string> sets;
    std::string out;
    std::string home;
};

int Usage(const std::string& message)
{
    std::cerr << "leafcast: " << message << "\nRun 'leafcast convert --help' for the options.\n";
    return kUsage;
}

int Convert(const ConvertOptions& options)
{
    SettingsModel settings;
    ApplyStartUpDefaults(settings);
    if (!options.profile.empty())
        return Usage("--profile: profiles are not supported by this version yet");

    for (const std::string& assignment : options.sets) {
        const auto equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0)
            return Usage("--set takes NAME=VALUE, not \"" + assignment + "\"");
        if (auto error = settings.ApplyEdit(assignment.substr(0, equals), assignment.substr(equals + 1)))
            return Usage("--set " + assignment + ": " + *error);
    }

    std::error_code ignored;
    const std::string book = std::filesystem::absolute(options.book, ignored).lexically_normal().string();
    // Without a root of its own, the book names its pages, as when a book is chosen in the desktop program.
    if (settings.Value("txtOutFileName") == FindControl("txtOutFileName")->defaultValue)
        settings.TypeText("txtOutFileName", BaseName(book));
    settings.TypeText("txtInpFile", book);

    if (!options.out.empty()) {
        std::filesystem::path out = std::filesystem::absolute(options.out, ignored).lexically_normal();
        std::error_code error;
        std::filesystem::create_directories(out, error);
        if (error) {
            std::cerr << "leafcast: cannot make the output folder " << out.string() << ": " << error.message() << "\n";
            return kFailure;
        }
        settings.OutputPath = out.string();
        if (settings.OutputPath.back() != '/')
            settings.OutputPath += '/';
    }

    RunState state;
    PageOutput output(settings, state);
    ConsoleRunHost host(stderr);
    ConversionRun run(settings, state, output, host);
    const RunResult result = run.Run();
    host.Finish();
    if (result.outcome == RunResult::Outcome::Failed) {
        std::cerr << "leafcast: " << result.error << "\n";
        return kFailure;
    }
    std::printf("%d page%s written to %s in %.1f s\n", state.PagesWritten, state.PagesWritten == 1 ? "" : "s",
                settings.OutputPath.c_str(), host.Seconds());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    SetExecutableName("leafcast");
    CLI::App app{"Leafcast turns a plain-text book into numbered JPEG pages for small media players."};
    app.set_version_flag("--version", std::string("leafcast ") + LEAFCAST_VERSION);
    app.require_subcommand(1);

    ConvertOptions options;
    CLI::App* convert = app.add_subcommand("convert", "Convert BOOK into page images.");
    convert->add_option("BOOK", options.book, "The text file to convert (UTF-8 or Windows-1252).")->required();
    convert->add_option("--profile", options.profile, "Apply a saved profile (FILE.cfg) first.")->option_text("FILE");
    convert->add_option("--set", options.sets,
                        "Set a control as a user would, e.g. chkSmartLF=0, optScrRes=1, lstFonts=Verdana, "
                        "txtFontSize=10, txtOutFileName=novel, chkRotate=1. Repeatable, applied in order.")
        ->option_text("NAME=VALUE")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
    convert->add_option("--out", options.out, "Write the pages into DIR instead of the folder beside the book.")
        ->option_text("DIR");
    convert->add_option("--home", options.home, "The program's folder (profiles, book folder, state file).")
        ->option_text("DIR");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : kUsage;
    }
    try {
        return Convert(options);
    } catch (const std::exception& e) {
        std::cerr << "leafcast: " << e.what() << "\n";
        return kFailure;
    }
}
