#include "cli/CommandLine.h"

#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace {

const std::function<bool(const CLI::App*)> kEvery = [](const CLI::App*) { return true; };

// "profile show" for that subcommand; empty for the program.
std::string CommandPath(const CLI::App& command)
{
    std::string path;
    for (const CLI::App* at = &command; at->get_parent(); at = at->get_parent())
        path = at->get_name() + (path.empty() ? "" : " " + path);
    return path;
}

std::string Subcommands(const CLI::App& command)
{
    std::string names;
    const std::vector<const CLI::App*> subs = command.get_subcommands(kEvery);
    for (std::size_t i = 0; i < subs.size(); ++i)
        names += (i == 0 ? "" : i + 1 == subs.size() ? " or " : ", ") + subs[i]->get_name();
    return names;
}

} // namespace

std::string CommandHelp(const CLI::App& command)
{
    const std::string path = CommandPath(command);
    return command.get_formatter()->make_help(&command, "leafcast" + (path.empty() ? "" : " " + path),
                                              CLI::AppFormatMode::Normal);
}

int HelpCommand(const CLI::App& program, const std::vector<std::string>& topic)
{
    const CLI::App* command = &program;
    for (const std::string& name : topic) {
        const CLI::App* found = nullptr;
        for (const CLI::App* sub : command->get_subcommands(kEvery))
            if (sub->get_name() == name)
                found = sub;
        if (!found) {
            const std::string path = CommandPath(*command);
            return Usage("'" + name + "' is not a command" + (path.empty() ? "" : " of " + path) + "; the commands" +
                         (path.empty() ? "" : " of " + path) + " are " + Subcommands(*command));
        }
        command = found;
    }
    std::fputs(CommandHelp(*command).c_str(), stdout);
    return 0;
}
