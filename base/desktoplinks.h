#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "base/dialogs.h"

namespace mirca {

// What the working windows hand to the desktop: the maker's web site, a mail to support, the help page.

// "http://" and the maker's web address (catalogue 345).
std::string WebSiteUrl();
// "mailto:" the support address (catalogue 344), with the program's file name as the subject.
std::string SupportMailUrl(const std::string& programName);
// The help page of the language in the program's "help" folder (FindHelpFile); empty when there is none.
std::filesystem::path HelpPage(const std::filesystem::path& programDir, const std::string& language);
// Hands the help page to the desktop; when there is none, the warning 346 and false.
bool OpenHelpPage(IDialogService& dialogs, const std::function<bool(const std::string&)>& openUrl,
                  const std::filesystem::path& programDir, const std::string& language);

}  // namespace mirca
