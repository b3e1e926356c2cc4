#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace mirca {

// Every question, notice and file choice of the windows goes through here, so tests script the answers
// and no test ever waits on a modal box.
class IDialogService {
public:
    enum class TIcon { Information, Warning, Error, Question };
    enum class TAnswer { Ok, Yes, No, Cancel };

    virtual ~IDialogService() = default;
    // A box with OK.
    virtual void Inform(const std::string& caption, const std::string& text, TIcon icon) = 0;
    // A Yes/No question; defaultNo makes No the default button.
    virtual TAnswer Ask(const std::string& caption, const std::string& text, bool defaultNo) = 0;
    virtual std::optional<std::filesystem::path> ChooseFolder(const std::string& caption,
                                                              const std::filesystem::path& start) = 0;
    virtual std::optional<std::filesystem::path> ChooseOpenFile(const std::string& caption,
                                                                const std::filesystem::path& start,
                                                                const std::string& filter) = 0;
    virtual std::optional<std::filesystem::path> ChooseSaveFile(const std::string& caption,
                                                                const std::filesystem::path& start,
                                                                const std::string& filter) = 0;
    // The application's standard box for an exception that reached it.
    virtual void ShowException(const std::string& text) = 0;
};

}  // namespace mirca
