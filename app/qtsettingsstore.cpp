#include "app/qtsettingsstore.h"

#include <QStringList>
#include <QTemporaryDir>

#include <system_error>

#include "base/text.h"
#include "gui/qtpath.h"

namespace mirca {

namespace {

// Texts longer than this in a settings file are not settings anybody wrote; they are treated as absent.
constexpr qsizetype kMaxText = 32 * 1024;

std::optional<QString> ValueText(const QVariant& value) {
    if (!value.isValid()) return std::nullopt;
    // An unquoted text with commas in a hand-edited ini file comes back as a list.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(','));
    if (!value.canConvert<QString>()) return std::nullopt;
    return value.toString();
}

}  // namespace

TQtSettingsStore::TQtSettingsStore(std::unique_ptr<QSettings> settings, bool ini)
    : settings_(std::move(settings)), ini_(ini) {}

std::unique_ptr<TQtSettingsStore> TQtSettingsStore::Ini(const std::filesystem::path& iniFile) {
    return std::make_unique<TQtSettingsStore>(
        std::make_unique<QSettings>(ToQString(iniFile), QSettings::IniFormat), true);
}

std::unique_ptr<TQtSettingsStore> TQtSettingsStore::Native(const std::string& version) {
    return std::make_unique<TQtSettingsStore>(
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Vorn"),
                                    QString::fromStdString(UserStoreName(version))),
        false);
}

std::filesystem::path TQtSettingsStore::NativeFile(const std::string& application) {
    // A store of a name nobody uses has no file to read, and names the folder of them all.
    const QSettings probe(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Vorn"),
                          QStringLiteral("mirca-y-folder-probe"));
    return ToPath(probe.fileName()).parent_path() / (application + ".conf");
}

std::unique_ptr<TQtSettingsStore> TQtSettingsStore::Choose(const std::filesystem::path& programPath,
                                                           const std::string& version) {
    const std::filesystem::path ini = IniPathFor(programPath);
    std::error_code ec;
    const bool useIni = std::filesystem::is_regular_file(ini, ec);
    const std::filesystem::path file = useIni ? ini : NativeFile(UserStoreName(version));
    std::optional<TSetAside> aside = SetAsideOversizedSettings(file);
    std::unique_ptr<TQtSettingsStore> store;
    if (aside && !aside->error.empty()) {
        // Still too large to read and nowhere to move it: this run keeps its settings in a scratch file that
        // goes with it, and the file in place is neither read nor replaced.
        auto scratch = std::make_unique<QTemporaryDir>();
        const QString path =
            scratch->isValid() ? scratch->filePath(QStringLiteral("settings.ini")) : QString();
        store = std::make_unique<TQtSettingsStore>(std::make_unique<QSettings>(path, QSettings::IniFormat),
                                                   useIni);
        store->scratch_ = std::move(scratch);
    } else {
        // The store of the same kind starts afresh in the file's place.
        store = useIni ? Ini(ini) : Native(version);
    }
    store->setAside_ = std::move(aside);
    return store;
}

QString TQtSettingsStore::Key(const std::string& section, const std::string& name) const {
    const QString key = QString::fromStdString(name);
    if (!ini_ || section.empty()) return key;
    return QString::fromStdString(section) + QLatin1Char('/') + key;
}

std::optional<std::string> TQtSettingsStore::ReadText(const std::string& section, const std::string& name) {
    const auto text = ValueText(settings_->value(Key(section, name)));
    if (!text || text->size() > kMaxText) return std::nullopt;
    return text->toStdString();
}

std::optional<std::int64_t> TQtSettingsStore::ReadInt(const std::string& section, const std::string& name) {
    const auto text = ValueText(settings_->value(Key(section, name)));
    if (!text || text->size() > kMaxText) return std::nullopt;
    std::int64_t value = 0;
    if (!ParseDecimal(text->toStdString(), value)) return std::nullopt;
    return value;
}

void TQtSettingsStore::WriteText(const std::string& section, const std::string& name,
                                 const std::string& value) {
    settings_->setValue(Key(section, name), QString::fromStdString(value));
}

void TQtSettingsStore::WriteInt(const std::string& section, const std::string& name, std::int64_t value) {
    // Kept as text so the ini file reads "1", not a typed variant.
    settings_->setValue(Key(section, name), QString::number(value));
}

void TQtSettingsStore::Flush() {
    settings_->sync();
}

std::filesystem::path TQtSettingsStore::Location() const {
    return ToPath(settings_->fileName());
}

}  // namespace mirca
