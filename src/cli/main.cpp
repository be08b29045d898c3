// leafcast: converts a book (text, HTML or EPUB) into numbered JPEG pages from the command line, keeps profiles, and
// tries heading masks.
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "base/AppError.h"

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <functional>
#include <iostream>
#include <utility>

namespace {

void AddCommonOptions(CLI::App* command, CommonOptions& options)
{
    command->add_option("--set", options.sets,
                        "Set a control as a user would, e.g. chkSmartLF=0, optScrRes=1, lstFonts=Verdana (or any "
                        "family of leafcast fonts --all), txtFontSize=10, txtOutFileName=novel, chkRotate=1. "
                        "Repeatable, applied in order.")
        ->option_text("NAME=VALUE")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
    command->add_option("--home", options.home,
                        "The program's folder, holding Profiles/, eBooks/ and Leafcast.ini "
                        "(default: $XDG_DATA_HOME/leafcast, that is ~/.local/share/leafcast, or the program's own "
                        "folder when a file leafcast.portable stands beside it).")
        ->option_text("DIR");
}

} // namespace

int main(int argc, char** argv)
{
    SetExecutableName("leafcast");
    // A file-size limit (ulimit -f) makes a write fail with EFBIG, which is reported, instead of killing us.
    std::signal(SIGXFSZ, SIG_IGN);
    CLI::App app{"Leafcast turns a book (text, HTML or EPUB) into numbered JPEG pages for small media players, or "
                 "PNG pages and comic-book archives (--set lstPageFormat=PNG, --set chkCompress=1) for e-readers.",
                 "leafcast"};
    app.set_version_flag("-V,--version", std::string("leafcast ") + LEAFCAST_VERSION);
    app.require_subcommand(1);

    ConvertOptions convert;
    CLI::App* convertCommand = app.add_subcommand("convert", "Convert one book or several into page images.");
    convertCommand
        ->add_option("BOOK", convert.books,
                     "The books to convert: text, HTML or EPUB, told by what they hold; - is standard input (text). "
                     "A byte-order mark says UTF-8 or UTF-16; otherwise a text book is UTF-8 when it reads as "
                     "UTF-8, else it is in the code page of --encoding (Windows-1252 unless told otherwise).")
        ->required();
    convertCommand->add_option("--profile", convert.profile,
                               "Apply a profile first, as the Load profile button does: a path, or a name in the "
                               "profile folder.")
        ->option_text("FILE");
    convertCommand->add_option("--size", convert.size,
                               "A screen of W x H pixels, each from 16 to 4096, e.g. 480x272: the Custom size, the "
                               "same as --set optScrRes=3 --set txtCustWidth=W --set Text1=H, applied after "
                               "--profile and before every --set.")
        ->option_text("WxH");
    AddCommonOptions(convertCommand, convert);
    convertCommand
        ->add_option("-o,--out", convert.out,
                     "Write the pages into DIR instead of a folder beside the book; with several books, each "
                     "book's folder goes inside DIR.")
        ->option_text("DIR");
    convertCommand->add_option("--page-text", convert.pageText,
                               "Also write the text of every page (of the page range) as laid out into FILE: the "
                               "header line, then one line per row, and a line holding a form feed between pages. - is "
                               "standard output; the closing summary then goes to standard error.")
        ->option_text("FILE");
    convertCommand->add_flag("--dry-run", convert.dryRun,
                             "Lay the book out without writing any page file; print how many pages it would write "
                             "and every heading with the page it starts.");
    convertCommand->add_option("--encoding", convert.encoding,
                               "The code page of books that are not UTF-8, e.g. CP1250 or ISO-8859-2 "
                               "(the same as --set txtCodePage=NAME).")
        ->option_text("NAME");
    // Read as text and judged by the command, so that a bad count is said in its words.
    std::string jobs;
    convertCommand
        ->add_option("-j,--jobs", jobs, "Convert N books at a time, N from 1 to " + std::to_string(kMaxJobs) +
                                            " (default 1).")
        ->option_text("N");
    convertCommand->add_flag("-q,--quiet", convert.quiet, "Print nothing but errors.");

    bool names = false, allFonts = false;
    app.add_subcommand("settings", "List every setting: its --set name, caption, default and the values it takes.")
        ->add_flag("--names", names, "List the names alone, one a line.");
    CLI::App* fontsCommand = app.add_subcommand(
        "fonts", "List the offered faces and the font file that draws each; with --all, every installed font family.");
    fontsCommand->add_flag("--all", allFonts,
                           "List every font family installed on this system, with the scripts each covers; lstFonts "
                           "takes any of them besides the offered faces.");
    fontsCommand->add_flag("--names", names, "List the faces' or families' names alone, one a line.");

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

    std::vector<std::string> helpTopic;
    CLI::App* helpCommand = app.add_subcommand("help", "Print the help of a command, as in leafcast help convert.");
    helpCommand->add_option("COMMAND", helpTopic, "The command, and the subcommand of profile.");

    // Nothing to do: the usage, as for any usage error, but on standard output, where a reader looks for it.
    if (argc < 2) {
        std::fputs(CommandHelp(app).c_str(), stdout);
        return kExitUsage;
    }

    // A mistyped command names itself rather than being taken for a stray argument.
    if (argv[1][0] != '-') {
        bool known = false;
        const std::function<bool(const CLI::App*)> all = [](const CLI::App*) { return true; };
        for (const CLI::App* command : std::as_const(app).get_subcommands(all))
            known = known || command->get_name() == argv[1];
        if (!known) {
            std::cerr << "leafcast: '" << Visible(argv[1]) << "' is not a command; see leafcast help\n";
            return kExitUsage;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return app.exit(e);  // --help and --version
        const ParseProblem problem = DescribeParseError(app, e);
        std::cerr << "leafcast: " + Visible(problem.message) + "\nRun 'leafcast help" +
                         (problem.command.empty() ? "' for the commands.\n" : " " + problem.command + "' for its options.\n");
        return kExitUsage;
    }
    if (*helpCommand)
        return HelpCommand(app, helpTopic);
    if (*convertCommand && !jobs.empty()) {
        const std::optional<int> count = WholeNumber(jobs, 1, kMaxJobs);
        if (!count)
            return Usage("-j " + jobs + ": the number of books at a time must be a whole number from 1 to " +
                         std::to_string(kMaxJobs));
        convert.jobs = *count;
    }
    try {
        if (*convertCommand)
            return ConvertCommand(convert);
        if (app.got_subcommand("settings"))
            return SettingsCommand(names ? ListFormat::Names : ListFormat::Described);
        if (app.got_subcommand("fonts"))
            return FontsCommand(allFonts ? FontChoice::Installed : FontChoice::Offered,
                                names ? ListFormat::Names : ListFormat::Described);
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
