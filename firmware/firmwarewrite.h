#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/dialogs.h"
#include "devlink/panellink.h"
#include "devlink/progress.h"
#include "memmap/descriptor.h"

namespace mirca {

// Catalogue messages of the safe update, beyond the window's own.
inline constexpr int kMsgBackupBeforeUpdate = 901;  // "Сохранение настроек прибора перед обновлением ПО..."
inline constexpr int kMsgBackupSaved = 902;  // "Настройки прибора сохранены в файл %s."
inline constexpr int kMsgBackupFailed = 903;  // "... Записать ПО без резервной копии настроек?"
inline constexpr int kMsgDroppedBytes = 904;  // "... последние %s байт не будут записаны. Продолжить?"
inline constexpr int kMsgOtherEdition = 905;  // "Файл ПО сделан для исполнения «%s», прибор ..."
inline constexpr int kMsgOtherEditionMark = 906;  // the file list's mark: "другое исполнение: %s"
inline constexpr int kMsgNothingSent = 907;  // "ПО не записывалось: прибор не изменён."
inline constexpr int kMsgImageCut = 908;  // "Запись ПО прервана: передано %s из %s байт. ..."
inline constexpr int kMsgNotRefreshed = 909;  // "ПО записано, но настройки прибора не приведены ..."

// What a firmware write asks of its caller besides the device.
struct TFirmwareWriteSetup {
    std::filesystem::path mapFolder;     // the memory maps and the map list
    std::filesystem::path configFolder;  // where the configuration saved before the update goes
    // Save the panel's configuration before its firmware is replaced (type-937 panels whose map is known).
    bool backup = true;
    // Whether a failed backup may be followed by the question whether to go on without one (default No);
    // false stops the write at once (a script that was told --yes cannot be asked).
    bool askWithoutBackup = true;
    // The configuration refresh after a type-937 panel was written: none asks the question, true runs it,
    // false leaves the configuration as it is.
    std::optional<bool> refresh;
    // An image made for the panel's other edition: none asks (No by default), true writes it, false refuses.
    std::optional<bool> crossEdition;
    // A system-6 panel was connected in this window (kept after a disconnect).
    bool yPanel = false;
    // The program's language index (CurrentLanguageIndex) that the refresh writes into the panel.
    int languageIndex = 0;
    // "yyyymmdd_hhmmss" for the backup's name; the local clock when not set.
    std::function<std::string()> stamp;
};

// How a write ended.
enum class TFirmwareWriteResult {
    Cancelled,  // the user said No before anything was sent
    Refused,    // the file cannot go to this device; nothing was sent
    NotSent,    // the backup failed (and the user would not do without one): nothing was sent
    Partial,    // the transfer stopped: the device holds part of the image
    Written,    // the whole image was sent and acknowledged
};

enum class TRefreshResult { NotRun, NoMap, Written, Failed };

struct TFirmwareWriteReport {
    TFirmwareWriteResult result = TFirmwareWriteResult::Cancelled;
    TRefreshResult refresh = TRefreshResult::NotRun;
    std::filesystem::path backup;  // the configuration saved before the update; empty when none
    std::uint64_t sent = 0;        // image bytes the device acknowledged
    std::uint64_t total = 0;       // image bytes the transfer takes, padding included
    // The stop signal that arrived while the image went out: the write ran to its end, the refresh was not
    // begun. 0 when none came.
    int interrupted = 0;
    bool panel = false;        // a type-937 panel, whose configuration the refresh concerns
    bool majorChange = false;  // the image changed the panel's major version
};

// The result as scripts read it: "cancelled", "refused", "not-sent", "partial", "written-not-refreshed"
// (the image is in, the refresh failed or was stopped), "written".
const char* ResultName(const TFirmwareWriteReport& report);

// What a program stopped by a signal says of a write that ran to its end: "interrupted after the image was
// written; the configuration was not refreshed" (a panel), "interrupted after the image was written" (an
// output module).
std::string InterruptedAfterImageText(const TFirmwareWriteReport& report);

// "yyyymmdd_hhmmss" of the local time.
std::string UpdateStamp();

// The name of the configuration saved before an update: "<devprefix>_before_update_<stamp>.ycfg".
std::string BackupBeforeUpdateName(const std::string& devprefix, const std::string& stamp);

// The write of one firmware file into the connected device (connected for a firmware update), as the
// update window and mirca-cli run it: the major-change question (315), the other edition's (905) and the
// dropped bytes' (904) questions, the confirmation (161, No by default), the configuration saved before the
// update, the transfer, for type-937 panels the question of the refresh (290) and the refresh, and the
// result box: 167; 168 with what became of the device (nothing sent, or the bytes of the image it got);
// 29 and then 909 when the image is in but the refresh failed. From the first byte of the image to the end,
// stop signals are held back (TStopHold): one that came is answered by not beginning the refresh, and no
// box is shown. Every question and box goes through the dialog service; the status line and the progress
// through the given sinks. The caller disconnects afterwards, whatever happened.
class TFirmwareWriter {
public:
    using TStatus = std::function<void(const std::string&)>;
    // percent: the gauge's position, 0 to 100, outside a transfer (the transfer reports through progress).
    using TPercent = std::function<void(int)>;

    TFirmwareWriter(TPanelLink& link, IDialogService& dialogs, TFirmwareWriteSetup setup, TStatus status,
                    TPercent percent, IProgress* progress);

    TFirmwareWriteReport Write(const std::filesystem::path& file);

    // Told the bytes of the image sent so far and the bytes it takes (padding included) as the transfer
    // goes; none by default.
    using TBytes = std::function<void(std::uint64_t sent, std::uint64_t total)>;
    void OnBytes(TBytes bytes) { bytes_ = std::move(bytes); }

private:
    bool SaveBackup(TFirmwareWriteReport& report, const TZelmoDescriptor& before,
                    const std::filesystem::path& file);
    bool Reconnect(std::uint32_t mode);
    TRefreshResult Refresh(const TZelmoDescriptor& d, bool majorChange);

    TPanelLink& link_;
    IDialogService& dialogs_;
    TFirmwareWriteSetup setup_;
    TStatus status_;
    TPercent percent_;
    IProgress* progress_;
    TBytes bytes_;
};

// The configuration refresh after a type-937 panel got new firmware, on the map of its new identity d:
// the device is connected again for configuration, the first switch-on flag is chosen (0xFF after a major
// change or on a panel other than system 6, else the panel's own value), factory values, the descriptor,
// configuration state and descriptor checksum of an extended edition, and the language are set, and the
// writable ranges written. NoMap when there is no map for d (nothing is sent); Failed with the failure
// record when the write failed.
TRefreshResult RefreshConfiguration(TPanelLink& link, const std::filesystem::path& mapFolder,
                                    const TZelmoDescriptor& d, bool majorChange, bool yPanel,
                                    int languageIndex, IProgress* progress);

}  // namespace mirca
