#pragma once

#include <QString>
#include <QTranslator>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/languages.h"

namespace mirca {

// The user-interface language of the running program: which code is recorded for this program, which
// translation is installed, which translations exist beside the program. Qt's own texts (standard buttons,
// file dialogs) follow the same language through Qt's translations.
class TLocalisation : public ILanguageNames {
public:
    // The record of languages lives in the per-user store "Vorn"/"Mirca-Y Locales"; tests pass a file
    // of their own so the user's profile is never touched.
    explicit TLocalisation(const std::filesystem::path& programPath);
    TLocalisation(const std::filesystem::path& programPath, const std::filesystem::path& recordFile);
    ~TLocalisation() override;
    TLocalisation(const TLocalisation&) = delete;
    TLocalisation& operator=(const TLocalisation&) = delete;

    // Records the code as this program's language (keyed by the program's full path).
    void SetDefaultLocaleReg(const std::filesystem::path& programPath, const std::string& code);
    // The code recorded for the program given at construction; empty when none.
    std::string GetCurrentDefaultLocaleReg() const;
    // Installs the translation lang/mirca_<code>.qm (none for Russian, the built-in language), taking
    // the fallback code's file when the code has none, and Qt's own translation qtbase_<code>.qm of the
    // language that was installed (none for English, Qt's own language), and retranslates every open
    // window. False when neither the code nor the fallback has a usable file (the built-in texts then stay).
    bool SetNewResourceFile(const std::string& code, const std::string& fallback);
    // The codes of the translations beside the program, upper-case and sorted (e.g. {"EN", "TR"}).
    std::vector<std::string> GetAvailableResources() const;
    // The language id of a code (a QLocale::Language value); 0 when unknown.
    std::uint32_t ExtensionToLocale(const std::string& code) const override;
    // {name, display name} of a language id, e.g. {"English", "English"}; empty texts when unknown.
    std::pair<std::string, std::string> GetWindowsLocaleName(std::uint32_t locale) const override;

    // The code whose translation is installed now ("RU" when the built-in texts are shown).
    const std::string& InstalledCode() const { return installed_; }
    const std::filesystem::path& LangFolder() const { return langFolder_; }
    // The code of Qt's own translation installed now; empty when Qt shows its built-in English texts.
    const std::string& QtTranslationCode() const { return qtInstalled_; }
    // Where Qt's own translations are looked for; tests point it elsewhere.
    void SetQtTranslationsFolder(const std::filesystem::path& folder) { qtFolder_ = folder; }

private:
    // The program's full path as the record names it.
    static std::string RecordName(const std::filesystem::path& programPath);
    void InstallQtTranslation(const std::string& code);

    std::filesystem::path programPath_;
    std::filesystem::path langFolder_;
    std::filesystem::path recordFile_;  // empty: the per-user native store
    std::unique_ptr<QTranslator> translator_;
    std::string installed_ = "RU";
    std::filesystem::path qtFolder_;
    std::unique_ptr<QTranslator> qtTranslator_;
    std::string qtInstalled_;
};

}  // namespace mirca
