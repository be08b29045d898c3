#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
class ParseError;
} // namespace CLI

// What the command line says about itself: its help, and its parser's errors in its own words.

// The help of a command as `leafcast help COMMAND` prints it; the program's own for the top.
std::string CommandHelp(const CLI::App& command);

// leafcast help [COMMAND [SUBCOMMAND]]: prints the help of the command named, or the program's, to standard
// output; an unknown command is a usage error.
int HelpCommand(const CLI::App& program, const std::vector<std::string>& topic);

// A parse error of the parser said in the program's words, naming the argument at fault: "convert has no
// option --bogus", "--out is missing its value (DIR)". command is the command it was given to ("convert",
// "profile show"; empty for the program itself), whose help the user is pointed to.
struct ParseProblem {
    std::string message;
    std::string command;
};
ParseProblem DescribeParseError(const CLI::App& program, const CLI::ParseError& error);
