#include "base/desktoplinks.h"

#include "base/catalogue.h"
#include "base/textformat.h"

namespace mirca {

std::string WebSiteUrl() {
    return "http://" + Msg(345);
}

std::string SupportMailUrl(const std::string& programName) {
    return FormatTexts("mailto:%s?subject=%s", {Msg(344), programName});
}

std::filesystem::path HelpPage(const std::filesystem::path& programDir, const std::string& language) {
    const std::filesystem::path folder = programDir / "help";
    const std::string name = FindHelpFile(folder, language);
    return name.empty() ? std::filesystem::path() : folder / name;
}

bool OpenHelpPage(IDialogService& dialogs, const std::function<bool(const std::string&)>& openUrl,
                  const std::filesystem::path& programDir, const std::string& language) {
    const std::filesystem::path page = HelpPage(programDir, language);
    if (page.empty()) {
        dialogs.Inform(Msg(3), Msg(346), IDialogService::TIcon::Warning);
        return false;
    }
    if (openUrl) openUrl(page.string());
    return true;
}

}  // namespace mirca
