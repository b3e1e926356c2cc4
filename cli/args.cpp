#include "cli/args.h"

#include <cstdio>

#include "base/text.h"
#include "cli/output.h"

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
                    Out().Errorf(command.c_str(), "%s needs a value", a.c_str());
                    return std::nullopt;
                }
                out.options[a] = args[++i];
            } else if (flags.count(a)) {
                out.options[a] = "";
            } else {
                Out().Errorf(command.c_str(), "unknown option '%s'", a.c_str());
                return std::nullopt;
            }
        } else {
            out.positional.push_back(a);
        }
    }
    if (out.positional.size() != positionals) {
        Out().Errorf(command.c_str(), "expected %zu argument%s, got %zu", positionals,
                     positionals == 1 ? "" : "s", out.positional.size());
        return std::nullopt;
    }
    return out;
}

std::optional<std::uint32_t> ParseNumber(const std::string& command, const std::string& what,
                                         const std::string& text, std::uint32_t min, std::uint32_t max) {
    const std::optional<std::uint32_t> value =
        ParseWhole<std::uint32_t>(text, min, max, TNumberBase::DecimalOrHex);
    if (!value) {
        Out().Errorf(command.c_str(), "%s '%s' is not a number from %u to %u", what.c_str(), text.c_str(),
                     min, max);
    }
    return value;
}

}  // namespace mirca::cli
