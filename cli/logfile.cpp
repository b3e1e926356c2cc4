#include "cli/logfile.h"

#include <cstdio>
#include <exception>

#include "base/catalogue.h"

namespace mirca::cli {

std::string LanguageCode(const TArgs& args) {
    return args.Has("--lang") ? args.options.at("--lang") : "RU";
}

bool LoadLanguage(const TGlobalOptions& global, const TArgs& args, const char* command) {
    const std::string code = LanguageCode(args);
    if (code != "RU" && code != "EN" && code != "TR") {
        std::fprintf(stderr, "mirca-cli %s: --lang takes RU, EN or TR\n", command);
        return false;
    }
    try {
        Catalogue().LoadCatalogue(global.DataFolder() / "Messages.xml", code, code);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mirca-cli %s: %s\n", command, e.what());
        return false;
    }
    return true;
}

bool Load(TEventLogReader& reader, const std::string& file, const char* command) {
    if (reader.LoadFromFile(file)) return true;
    std::fprintf(stderr, "mirca-cli %s: cannot read %s: %s\n", command, file.c_str(),
                 reader.LastError().c_str());
    return false;
}

void NoteUndecoded(const TEventLogReader& reader, const char* command) {
    if (reader.systemNumber() != 6 && reader.EventCount() > 0) {
        std::fprintf(stderr,
                     "mirca-cli %s: the log holds %zu records of system %u, which have no event texts\n",
                     command, reader.EventCount(), unsigned{reader.systemNumber()});
    }
}

}  // namespace mirca::cli
