#pragma once

#include <QSettings>

#include <filesystem>
#include <memory>
#include <string>

#include "app/settings.h"

namespace mirca {

// The settings store over QSettings: the ini file beside the program (sections as groups), or the per-user
// native store of this program version (every value at the top level).
class TQtSettingsStore : public ISettingsStore {
public:
    TQtSettingsStore(std::unique_ptr<QSettings> settings, bool ini);

    static std::unique_ptr<TQtSettingsStore> Ini(const std::filesystem::path& iniFile);
    // QSettings("Vorn", UserStoreName(version)).
    static std::unique_ptr<TQtSettingsStore> Native(const std::string& version);
    // The ini store when IniPathFor(programPath) exists now, else the native store.
    static std::unique_ptr<TQtSettingsStore> Choose(const std::filesystem::path& programPath,
                                                    const std::string& version);

    bool IsIni() const override { return ini_; }
    std::optional<std::string> ReadText(const std::string& section, const std::string& name) override;
    std::optional<std::int64_t> ReadInt(const std::string& section, const std::string& name) override;
    void WriteText(const std::string& section, const std::string& name, const std::string& value) override;
    void WriteInt(const std::string& section, const std::string& name, std::int64_t value) override;
    void Flush() override;

    // The file that holds the values (for messages and tests).
    std::filesystem::path Location() const;

private:
    QString Key(const std::string& section, const std::string& name) const;

    std::unique_ptr<QSettings> settings_;
    bool ini_;
};

}  // namespace mirca
