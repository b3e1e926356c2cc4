#include "app/localisation.h"

#include <QApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QWidget>

#include <algorithm>
#include <optional>
#include <system_error>

#include "app/qtsettingsstore.h"
#include "app/settings.h"
#include "base/ascii.h"
#include "base/programdir.h"
#include "base/userfile.h"
#include "gui/qtpath.h"

namespace mirca {

namespace {

constexpr std::size_t kMaxCode = 16;
// More translation files than this beside one program are not a language list; the rest are ignored.
constexpr int kMaxResources = 256;

// Far more than any number of installed copies of the program ever record.
constexpr std::size_t kMaxRecordBytes = 1024 * 1024;

std::filesystem::path RecordFile(const std::filesystem::path& recordFile) {
    if (!recordFile.empty()) return recordFile;
    // Only the file name of the per-user store; the record's text is read, bounded, and written below.
    return TQtSettingsStore::NativeFile("Mirca-Y Locales");
}

// The record's text; nullopt when it exists but cannot be read whole (then it is not rewritten either).
std::optional<std::string> ReadRecord(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, ec))) return std::string();
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBounded(file, kMaxRecordBytes, bytes, "language record").empty()) return std::nullopt;
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TLocalisation::TLocalisation(const std::filesystem::path& programPath) : TLocalisation(programPath, {}) {}

TLocalisation::TLocalisation(const std::filesystem::path& programPath,
                             const std::filesystem::path& recordFile)
    : programPath_(programPath),
      langFolder_(ProgramFolders(programPath.parent_path()).data / "lang"),
      recordFile_(recordFile),
      qtFolder_(ToPath(QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {}

TLocalisation::~TLocalisation() {
    if (!QCoreApplication::instance()) return;
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
    if (qtTranslator_) QCoreApplication::removeTranslator(qtTranslator_.get());
}

void TLocalisation::InstallQtTranslation(const std::string& code) {
    if (qtTranslator_) {
        QCoreApplication::removeTranslator(qtTranslator_.get());
        qtTranslator_.reset();
    }
    qtInstalled_.clear();
    // Qt's texts are English already.
    if (!IsLanguageCode(code) || AsciiUpper(code) == "EN") return;
    const std::filesystem::path file = qtFolder_ / ("qtbase_" + AsciiLower(code) + ".qm");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(ToQString(file))) return;
    QCoreApplication::installTranslator(translator.get());
    qtTranslator_ = std::move(translator);
    qtInstalled_ = AsciiUpper(code);
}

std::string TLocalisation::RecordName(const std::filesystem::path& programPath) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(programPath, ec);
    if (ec) full = programPath;
    return full.lexically_normal().string();
}

void TLocalisation::SetDefaultLocaleReg(const std::filesystem::path& programPath, const std::string& code) {
    const std::filesystem::path file = RecordFile(recordFile_);
    const std::optional<std::string> record = ReadRecord(file);
    // Rewriting a record that could not be read would lose the other programs' lines.
    if (!record) return;
    const std::string text = RecordLanguage(*record, RecordName(programPath), code);
    if (text == *record) return;
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    WriteFileAtomically(file, {text.begin(), text.end()});
}

std::string TLocalisation::GetCurrentDefaultLocaleReg() const {
    const std::optional<std::string> record = ReadRecord(RecordFile(recordFile_));
    if (!record) return {};
    const std::optional<std::string> code = FindRecordedLanguage(*record, RecordName(programPath_));
    return code && code->size() <= kMaxCode ? *code : std::string();
}

bool TLocalisation::SetNewResourceFile(const std::string& code, const std::string& fallback) {
    if (translator_) {
        QCoreApplication::removeTranslator(translator_.get());
        translator_.reset();
    }
    installed_ = "RU";

    bool usable = false;
    for (const std::string& candidate : {code, fallback}) {
        if (!IsLanguageCode(candidate)) continue;
        // Russian is built into the windows; it has no translation file.
        if (AsciiUpper(candidate) == "RU") {
            usable = true;
            break;
        }
        const std::filesystem::path file = langFolder_ / ("mirca_" + AsciiLower(candidate) + ".qm");
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec)) continue;
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(ToQString(file))) continue;
        QCoreApplication::installTranslator(translator.get());
        translator_ = std::move(translator);
        installed_ = AsciiUpper(candidate);
        usable = true;
        break;
    }
    InstallQtTranslation(installed_);

    // Windows that exist already switch now, not on the next pass of the event loop.
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            QEvent change(QEvent::LanguageChange);
            QCoreApplication::sendEvent(window, &change);
        }
    }
    return usable;
}

std::vector<std::string> TLocalisation::GetAvailableResources() const {
    std::vector<std::string> codes;
    std::error_code ec;
    std::filesystem::directory_iterator it(langFolder_, ec);
    int seen = 0;
    for (; !ec && it != std::filesystem::directory_iterator() && seen < kMaxResources;
         it.increment(ec), ++seen) {
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc)) continue;
        const std::string name = it->path().filename().string();
        const std::string prefix = "mirca_";
        const std::string suffix = ".qm";
        if (name.size() <= prefix.size() + suffix.size()) continue;
        if (AsciiLower(name.substr(0, prefix.size())) != prefix) continue;
        if (AsciiLower(name.substr(name.size() - suffix.size())) != suffix) continue;
        const std::string code =
            AsciiUpper(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()));
        // Russian is always offered first by the settings window as the built-in language.
        if (!IsLanguageCode(code) || code == "RU") continue;
        codes.push_back(code);
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
}

std::uint32_t TLocalisation::ExtensionToLocale(const std::string& code) const {
    if (!IsLanguageCode(code)) return 0;
    const QLocale::Language language = QLocale::codeToLanguage(QString::fromStdString(AsciiLower(code)));
    if (language == QLocale::AnyLanguage || language == QLocale::C) return 0;
    return static_cast<std::uint32_t>(language);
}

std::pair<std::string, std::string> TLocalisation::GetWindowsLocaleName(std::uint32_t locale) const {
    if (locale == 0 || locale == QLocale::C || locale > QLocale::LastLanguage) return {};
    const auto language = static_cast<QLocale::Language>(locale);
    const QString name = QLocale::languageToString(language);
    // The world-wide variant names the language itself ("English", not "American English").
    QLocale data(language, QLocale::World);
    if (data.language() != language) data = QLocale(language);
    // A language without locale data yields another locale; its native name would be wrong.
    QString display = data.language() == language ? data.nativeLanguageName() : QString();
    if (display.isEmpty()) display = name;
    // Native names such as "русский" are lower case; a list entry starts with a capital.
    if (!display.isEmpty()) display[0] = display[0].toUpper();
    return {name.toStdString(), display.toStdString()};
}

}  // namespace mirca
