#pragma once

#include <QSettings>
#include <QTemporaryDir>

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
    // The ini store when IniPathFor(programPath) exists now, else the native store. A file of either
    // larger than kMaxSettingsFileBytes is set aside unread first and the store starts empty; when it
    // cannot be set aside, the store reads and keeps nothing.
    static std::unique_ptr<TQtSettingsStore> Choose(const std::filesystem::path& programPath,
                                                    const std::string& version);
    // The file of the per-user native store of that application name (organisation "Vorn"), found without
    // reading any store: QSettings reads its whole file as soon as it is made.
    static std::filesystem::path NativeFile(const std::string& application);

    bool IsIni() const override { return ini_; }
    std::optional<std::string> ReadText(const std::string& section, const std::string& name) override;
    std::optional<std::int64_t> ReadInt(const std::string& section, const std::string& name) override;
    void WriteText(const std::string& section, const std::string& name, const std::string& value) override;
    void WriteInt(const std::string& section, const std::string& name, std::int64_t value) override;
    void Flush() override;

    // The file that holds the values (for messages and tests).
    std::filesystem::path Location() const;
    // The oversized settings file Choose set aside, for the start-up to tell the user.
    const std::optional<TSetAside>& SetAside() const { return setAside_; }

private:
    QString Key(const std::string& section, const std::string& name) const;

    // The folder of the settings of a run whose own file could not be set aside; it outlives the QSettings,
    // which writes its file once more when it goes.
    std::unique_ptr<QTemporaryDir> scratch_;
    std::unique_ptr<QSettings> settings_;
    bool ini_;
    std::optional<TSetAside> setAside_;
};

}  // namespace mirca
