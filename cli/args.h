#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace mirca::cli {

// A command's own arguments: positional words and --options.
struct TArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;  // flags map to ""
    bool Has(const std::string& name) const { return options.count(name) != 0; }
};

// The first word of a command's arguments (empty when there is none) and the words after it.
struct TSubcommand {
    std::string name;
    std::vector<std::string> rest;
};
inline TSubcommand SplitSubcommand(const std::vector<std::string>& args) {
    if (args.empty()) return {};
    return {args.front(), std::vector<std::string>(args.begin() + 1, args.end())};
}

// Splits args; options in `valued` take the next word, options in `flags` take none. On a wrong command
// line prints "mirca-cli COMMAND: ..." to stderr and returns nothing.
std::optional<TArgs> ParseArgs(const std::string& command, const std::vector<std::string>& args,
                               const std::set<std::string>& valued, const std::set<std::string>& flags,
                               std::size_t positionals);

// A whole number from min to max, decimal or 0x-hex; prints the error and returns nothing otherwise.
std::optional<std::uint32_t> ParseNumber(const std::string& command, const std::string& what,
                                         const std::string& text, std::uint32_t min, std::uint32_t max);

}  // namespace mirca::cli
