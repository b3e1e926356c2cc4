#include "cli/logfile.h"

#include <cstdio>
#include <exception>

#include "base/catalogue.h"
#include "cli/output.h"

namespace mirca::cli {

std::string LanguageCode(const TArgs& args) {
    return args.Has("--lang") ? args.options.at("--lang") : "RU";
}

int LoadLanguage(const TGlobalOptions& global, const TArgs& args, const char* command) {
    const std::string code = LanguageCode(args);
    if (code != "RU" && code != "EN" && code != "TR") {
        Out().Error(command, "--lang takes RU, EN or TR");
        return kExitUsage;
    }
    try {
        Catalogue().LoadCatalogue(global.DataFolder() / "Messages.xml", code, code);
    } catch (const std::exception& e) {
        // The command line was right; the program's data is not.
        Out().Error(command, e.what());
        return kExitFailed;
    }
    return kExitOk;
}

bool Load(TEventLogReader& reader, const std::string& file, const char* command) {
    if (reader.LoadFromFile(file)) return true;
    Out().Errorf(command, "cannot read %s: %s", file.c_str(), reader.LastError().c_str());
    return false;
}

void NoteUndecoded(const TEventLogReader& reader, const char* command) {
    if (reader.systemNumber() != 6 && reader.EventCount() > 0) {
        Out().Warningf(command, "the log holds %zu records of system %u, which have no event texts",
                       reader.EventCount(), unsigned{reader.systemNumber()});
    }
}

}  // namespace mirca::cli
