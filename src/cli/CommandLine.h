#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
} // namespace CLI

// What the command line says about itself.

// The help of a command as `leafcast help COMMAND` prints it; the program's own for the top.
std::string CommandHelp(const CLI::App& command);

// leafcast help [COMMAND [SUBCOMMAND]]: prints the help of the command named, or the program's, to standard
// output; an unknown command is a usage error.
int HelpCommand(const CLI::App& program, const std::vector<std::string>& topic);
