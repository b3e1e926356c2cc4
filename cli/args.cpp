#include "cli/args.h"

#include <charconv>
#include <cstdio>

namespace mirca::cli {

std::optional<TArgs> ParseArgs(const std::string& command, const std::vector<std::string>& args,
                               const std::set<std::string>& valued, const std::set<std::string>& flags,
                               std::size_t positionals) {
    TArgs out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) == 0) {
            if (valued.count(a)) {
                if (i + 1 >= args.size()) {
                    std::fprintf(stderr, "mirca-cli %s: %s needs a value\n", command.c_str(), a.c_str());
                    return std::nullopt;
                }
                out.options[a] = args[++i];
            } else if (flags.count(a)) {
                out.options[a] = "";
            } else {
                std::fprintf(stderr, "mirca-cli %s: unknown option '%s'\n", command.c_str(), a.c_str());
                return std::nullopt;
            }
        } else {
            out.positional.push_back(a);
        }
    }
    if (out.positional.size() != positionals) {
        std::fprintf(stderr, "mirca-cli %s: expected %zu argument%s, got %zu\n", command.c_str(), positionals,
                     positionals == 1 ? "" : "s", out.positional.size());
        return std::nullopt;
    }
    return out;
}

std::optional<std::uint32_t> ParseNumber(const std::string& command, const std::string& what,
                                         const std::string& text, std::uint32_t min, std::uint32_t max) {
    int base = 10;
    std::size_t skip = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        skip = 2;
    }
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data() + skip, text.data() + text.size(), value, base);
    if (text.size() == skip || ec != std::errc() || end != text.data() + text.size() || value < min ||
        value > max) {
        std::fprintf(stderr, "mirca-cli %s: %s '%s' is not a number from %u to %u\n", command.c_str(),
                     what.c_str(), text.c_str(), min, max);
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace mirca::cli
