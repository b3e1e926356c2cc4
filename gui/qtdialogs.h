#pragma once

#include <QString>

#include "base/dialogs.h"

class QWidget;

namespace mirca {

// The application's title: the caption of message boxes that have none of their own (the standard
// exception box). The main window sets it to its caption whenever it is shown.
void SetApplicationTitle(const QString& title);
QString ApplicationTitle();

// A file filter in the "description|patterns|description|patterns" form of the catalogue, turned into
// Qt's "description (patterns);;..." form; a filter without '|' is taken as it stands.
QString ToQtFileFilter(const std::string& filter);

// The dialog service of the running program: Qt message boxes and file dialogs over the active window.
class TQtDialogService : public IDialogService {
public:
    void Inform(const std::string& caption, const std::string& text, TIcon icon) override;
    TAnswer Ask(const std::string& caption, const std::string& text, bool defaultNo) override;
    std::optional<std::filesystem::path> ChooseFolder(const std::string& caption,
                                                      const std::filesystem::path& start) override;
    std::optional<std::filesystem::path> ChooseOpenFile(const std::string& caption,
                                                        const std::filesystem::path& start,
                                                        const std::string& filter) override;
    std::optional<std::filesystem::path> ChooseSaveFile(const std::string& caption,
                                                        const std::filesystem::path& start,
                                                        const std::string& filter) override;
    void ShowException(const std::string& text) override;
};

}  // namespace mirca
