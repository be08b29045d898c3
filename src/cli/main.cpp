// leafcast: converts a plain-text book into numbered JPEG pages from the command line, keeps profiles, and
// tries heading masks.
#include "cli/Commands.h"
#include "imaging/AppError.h"

#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>

namespace {

void AddCommonOptions(CLI::App* command, CommonOptions& options)
{
    command->add_option("--set", options.sets,
                        "Set a control as a user would, e.g. chkSmartLF=0, optScrRes=1, lstFonts=Verdana, "
                        "txtFontSize=10, txtOutFileName=novel, chkRotate=1. Repeatable, applied in order.")
        ->option_text("NAME=VALUE")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
    command->add_option("--home", options.home,
                        "The program's folder, holding Profiles/, eBooks/ and Leafcast.ini "
                        "(default: beside the program when writable, else ~/.local/share/leafcast).")
        ->option_text("DIR");
}

} // namespace

int main(int argc, char** argv)
{
    SetExecutableName("leafcast");
    // A file-size limit (ulimit -f) makes a write fail with EFBIG, which is reported, instead of killing us.
    std::signal(SIGXFSZ, SIG_IGN);
    CLI::App app{"Leafcast turns a plain-text book into numbered JPEG pages for small media players."};
    app.set_version_flag("--version", std::string("leafcast ") + LEAFCAST_VERSION);
    app.require_subcommand(1);

    ConvertOptions convert;
    CLI::App* convertCommand = app.add_subcommand("convert", "Convert BOOK into page images.");
    convertCommand->add_option("BOOK", convert.book, "The text file to convert (UTF-8 or Windows-1252).")->required();
    convertCommand->add_option("--profile", convert.profile,
                               "Apply a profile first, as the Load profile button does: a path, or a name in the "
                               "profile folder.")
        ->option_text("FILE");
    AddCommonOptions(convertCommand, convert);
    convertCommand->add_option("--out", convert.out, "Write the pages into DIR instead of the folder beside the book.")
        ->option_text("DIR");

    CLI::App* profileCommand = app.add_subcommand("profile", "Save or show profiles.");
    profileCommand->require_subcommand(1);
    std::string profileName;
    CommonOptions save;
    CLI::App* saveCommand =
        profileCommand->add_subcommand("save", "Save NAME.cfg into the profile folder: the start-up settings "
                                               "and the --set changes.");
    saveCommand->add_option("NAME", profileName, "The profile's name, which is also the file root.")->required();
    AddCommonOptions(saveCommand, save);
    std::string profileFile;
    CommonOptions show;
    CLI::App* showCommand = profileCommand->add_subcommand("show", "Print every setting a profile holds and its phrases.");
    showCommand->add_option("FILE", profileFile, "A profile: a path, or a name in the profile folder.")->required();
    showCommand->add_option("--home", show.home, "The program's folder.")->option_text("DIR");

    std::string mask, text;
    CLI::App* maskCommand = app.add_subcommand(
        "mask", "Test a heading mask on a text: prints OK! Match (exit 0) or No Match (exit 1).");
    maskCommand->add_option("MASK", mask, "The mask: ? any character, * any run, # a digit, [a-z] [!0-9] lists.")
        ->required();
    maskCommand->add_option("TEXT", text, "The text, matched whole and case-sensitively.")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : kExitUsage;
    }
    try {
        if (*convertCommand)
            return ConvertCommand(convert);
        if (*saveCommand)
            return ProfileSaveCommand(profileName, save);
        if (*showCommand)
            return ProfileShowCommand(profileFile, show);
        return MaskCommand(mask, text);
    } catch (const std::exception& e) {
        std::cerr << "leafcast: " << e.what() << "\n";
        return kExitFailure;
    }
}
