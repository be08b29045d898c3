#include "cli/CommandLine.h"

#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>

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

// The command a failed parse had reached: the deepest one given on the command line.
const CLI::App& ReachedCommand(const CLI::App& program)
{
    const CLI::App* reached = &program;
    for (bool deeper = true; deeper;) {
        deeper = false;
        for (const CLI::App* sub : reached->get_subcommands(kEvery))
            if (sub->parsed() > 0) {
                reached = sub;
                deeper = true;
                break;
            }
    }
    return *reached;
}

// The first argument left over by the command that reached it, or by one above it.
std::string LeftOver(const CLI::App& reached)
{
    for (const CLI::App* at = &reached; at; at = at->get_parent())
        if (const std::vector<std::string> left = at->remaining(false); !left.empty())
            return left.front();
    return {};
}

std::string Positionals(const CLI::App& command)
{
    std::string names;
    for (const CLI::Option* option : command.get_options([](const CLI::Option* o) { return o->get_positional(); }))
        names += (names.empty() ? "" : " ") + option->get_name();
    return names;
}

std::string Subcommands(const CLI::App& command)
{
    std::string names;
    const std::vector<const CLI::App*> subs = command.get_subcommands(kEvery);
    for (std::size_t i = 0; i < subs.size(); ++i)
        names += (i == 0 ? "" : i + 1 == subs.size() ? " or " : ", ") + subs[i]->get_name();
    return names;
}

// The text in front of the parser's first ": ", which is the option or argument its message is about.
std::string Subject(const std::string& message)
{
    const auto colon = message.find(": ");
    return colon == std::string::npos ? std::string() : message.substr(0, colon);
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
            const std::string path = CommandPath(*command), commands = Subcommands(*command);
            const std::string of = path.empty() ? "" : " of " + path;
            return Usage("'" + name + "' is not a command" + of +
                         (commands.empty() ? ", which has none" : "; the commands" + of + " are " + commands));
        }
        command = found;
    }
    std::fputs(CommandHelp(*command).c_str(), stdout);
    return 0;
}

ParseProblem DescribeParseError(const CLI::App& program, const CLI::ParseError& error)
{
    const CLI::App& reached = ReachedCommand(program);
    const std::string path = CommandPath(reached);
    const std::string who = path.empty() ? "leafcast" : path;
    const std::string message = error.what();

    // An argument nothing took is what is wrong, whatever else the parser missed after it.
    if (const std::string left = LeftOver(reached); !left.empty()) {
        if (left.size() > 1 && left[0] == '-')
            return {path.empty() ? "there is no option " + left : path + " has no option " + left, path};
        const std::string takes = Positionals(reached);
        return {"\"" + left + "\" is one argument too many: " + who +
                    (takes.empty() ? " takes none" : " takes " + takes),
                path};
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error)) {
        const std::string name = Subject(message);
        if (const CLI::Option* option = reached.get_option_no_throw(name)) {
            std::string names = option->get_name(false, true);  // every name it goes by: "-o,--out"
            std::replace(names.begin(), names.end(), ',', '/');
            return {names + " is missing its value" +
                        (option->get_option_text().empty() ? "" : " (" + option->get_option_text() + ")"),
                    path};
        }
    }
    if (dynamic_cast<const CLI::RequiredError*>(&error)) {
        if (message == "A subcommand is required")
            return {who + " needs a command: " + Subcommands(reached), path};
        if (const auto at = message.rfind(" is required"); at != std::string::npos && at + 12 == message.size())
            return {who + " is missing " + message.substr(0, at), path};
    }
    return {message, path};
}
