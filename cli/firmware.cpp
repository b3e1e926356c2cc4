// Firmware commands: the files that fit the connected device, and the write as the update window runs it.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "base/dialogs.h"
#include "base/failure.h"
#include "base/programdir.h"
#include "base/stopsignals.h"
#include "base/textformat.h"
#include "cli/args.h"
#include "cli/commands.h"
#include "cli/link.h"
#include "cli/logfile.h"
#include "cli/output.h"
#include "devlink/frames.h"
#include "firmware/filelist.h"
#include "firmware/firmwarewrite.h"
#include "memmap/configsession.h"
#include "memmap/descriptor.h"

namespace mirca::cli {

namespace {

// Questions on a terminal: "--yes" answers each with Yes; without it they are asked on stdin when that is a
// terminal, and answered No (with a word on how to go on) when it is not. Boxes become lines: errors and
// warnings on stderr, the rest on stdout (as messages in the JSON form, which never asks: stdout is not the
// place for a prompt there).
class TTerminalDialogs final : public IDialogService {
public:
    TTerminalDialogs(bool yes, const char* command)
        : yes_(yes), interactive_(!Out().Json() && isatty(STDIN_FILENO) == 1), command_(command) {}

    void Inform(const std::string&, const std::string& text, TIcon icon) override {
        if (icon == TIcon::Error)
            Out().Error(command_, text);
        else if (icon == TIcon::Warning)
            Out().Warning(command_, text);
        else
            Out().Message(text);
    }
    TAnswer Ask(const std::string&, const std::string& text, bool defaultNo) override {
        if (yes_) {
            Out().Answered(text, "yes");
            return TAnswer::Yes;
        }
        if (!interactive_) {
            Out().Warningf(command_, "%s: no terminal to answer on; --yes answers yes", text.c_str());
            return TAnswer::No;
        }
        std::printf("%s %s ", text.c_str(), defaultNo ? "[y/N]" : "[y/n]");
        std::fflush(stdout);
        for (std::string line; std::getline(std::cin, line);) {
            if (line == "y" || line == "Y" || line == "yes") return TAnswer::Yes;
            if (line == "n" || line == "N" || line == "no" || (line.empty() && defaultNo)) return TAnswer::No;
            std::printf("y or n? ");
            std::fflush(stdout);
        }
        return TAnswer::No;
    }
    std::optional<std::filesystem::path> ChooseFolder(const std::string&,
                                                      const std::filesystem::path&) override {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> ChooseOpenFile(const std::string&, const std::filesystem::path&,
                                                        const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> ChooseSaveFile(const std::string&, const std::filesystem::path&,
                                                        const std::string&) override {
        return std::nullopt;
    }
    void ShowException(const std::string& text) override { Out().Error(command_, text); }

private:
    bool yes_;
    bool interactive_;
    const char* command_;
};

std::filesystem::path FirmwareFolder(const TArgs& args) {
    return args.Has("--folder") ? std::filesystem::path(args.options.at("--folder")) : UserFolder() / "base";
}

std::string LocalTime(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
    return text;
}

// A row as a tab-separated line and as an object of the result's "files".
void PrintRow(const TFirmwareFileRow& row) {
    // An image of the device's other edition carries the mark in its version field, as in the window.
    const std::string version =
        row.otherEdition == 0
            ? row.version
            : row.version + " (" +
                  FormatTexts(Msg(kMsgOtherEditionMark), {std::string(1, row.otherEdition)}) + ")";
    Out().Printf("%s\t%s\t%ju%s\t%s\t%s/\n", row.name.c_str(), version.c_str(), row.size, Msg(269).c_str(),
                 LocalTime(row.modified).c_str(), row.folder.string().c_str());
    Out().Result()["files"].push_back(
        {{"name", row.name},
         {"version", row.version},
         {"other_edition", row.otherEdition == 0 ? nlohmann::ordered_json()
                                                 : nlohmann::ordered_json(std::string(1, row.otherEdition))},
         {"size", row.size},
         {"modified", LocalTime(row.modified)},
         {"modified_epoch", row.modified},
         {"folder", row.folder.string()},
         {"path", row.Path().string()}});
}

// The masks of --all: every file the window could ever list, each once.
bool AnyMask(const std::string& name) {
    for (const char* mask :
         {"937*.tsk", "*rpu*.tsk", "*rpd*.tsk", "Y-PCN*.tsk", "*y-uop*.tsk", "*y-uoo*.tsk"})
        if (MatchesMask(name, mask)) return true;
    return false;
}

// The files of a listing, sorted by name (a folder's own order is whatever the file system keeps).
void PrintRows(std::vector<TFirmwareFileRow> rows) {
    std::sort(rows.begin(), rows.end(),
              [](const TFirmwareFileRow& a, const TFirmwareFileRow& b) { return a.name < b.name; });
    for (const auto& row : rows)
        PrintRow(row);
}

int FirmwareList(const TGlobalOptions& global, const std::vector<std::string>& args) {
    constexpr const char* kCommand = "firmware list";
    const auto a = ParseArgs(kCommand, args, {"--folder", "--lang"}, {"--all"}, 0);
    if (!a) return kExitUsage;
    if (const int rc = LoadLanguage(global, *a, kCommand); rc != kExitOk) return rc;
    const std::filesystem::path folder = FirmwareFolder(*a);
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        Out().Errorf(kCommand, "%s: %s", folder.string().c_str(),
                     std::filesystem::exists(folder, ec) ? "not a folder" : "no such folder");
        return kExitFailed;
    }
    Out().Result() = {{"folder", folder.string()}, {"files", nlohmann::ordered_json::array()}};
    if (a->Has("--all")) {
        // Each file's version as the device it is made for would show it.
        std::vector<TFirmwareFileRow> rows;
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::filesystem::path path = it->path();
            if (!AnyMask(path.filename().string())) continue;
            if (auto row = FirmwareFileRow(path, FirmwareFileType(path))) rows.push_back(std::move(*row));
        }
        PrintRows(std::move(rows));
        return kExitOk;
    }
    auto link = MakeLink(global);
    if (const int rc = Connect(*link, TZelmoDevice::kModeFirmware, kCommand); rc != kExitOk) return rc;
    TZelmoDevice& device = link->Device();
    const TZelmoDescriptor d = TZelmoDescriptor::FromDevice(device);
    const int name = DeviceNameMessage(d, TNameRules::Firmware);
    const auto mask = DeviceMask(device.TypeCode, device.Major);
    if (name == 0 || !mask) {
        Out().Errorf(kCommand, "device type %u takes no firmware from this program",
                     unsigned{device.TypeCode});
        return kExitFailed;
    }
    Out().Printf("# %s %s, files %s in %s\n", Msg(name).c_str(), VersionText(d).c_str(), mask->c_str(),
                 folder.string().c_str());
    Out().Result()["device"] = {
        {"name", Msg(name)}, {"version", VersionText(d)}, {"type_code", device.TypeCode}};
    Out().Result()["mask"] = *mask;
    PrintRows(ListFirmwareFiles(folder, *mask, device));
    return kExitOk;
}

// The writer reports every part of its run through one progress: the configuration saved first, the image,
// the refresh afterwards. Its status lines say which part begins, so each part gets a bar (a JSON step) of
// its own, counted in bytes only for the image.
class TPhasedProgress final : public IProgress {
public:
    explicit TPhasedProgress(std::uint32_t imageStepBytes) : imageStepBytes_(imageStepBytes) {}

    // Every status line of the writer.
    void Status(const std::string& text) {
        if (text == Msg(kMsgBackupBeforeUpdate))
            Begin("Saving", "backup", 0);
        else if (text == Msg(kMsgWritingImage))
            Begin("Writing", "write", imageStepBytes_);
        else if (text == Msg(kMsgRefreshing))
            Begin("Updating", "refresh", 0);
    }
    void SetMax(std::uint32_t max) override { Current().SetMax(max); }
    void Advance() override { Current().Advance(); }
    void Finish() { current_.reset(); }

private:
    static constexpr int kMsgWritingImage = 163;
    static constexpr int kMsgRefreshing = 165;

    void Begin(const char* label, const char* step, std::uint32_t bytesPerStep) {
        current_.reset();  // the bar before ends first
        current_ = Out().Steps(label, step, bytesPerStep);
    }
    IProgress& Current() {
        if (!current_) Begin("Writing", "write", imageStepBytes_);
        return *current_;
    }

    std::uint32_t imageStepBytes_;
    std::unique_ptr<IProgress> current_;
};

const char* RefreshName(TRefreshResult refresh) {
    switch (refresh) {
        case TRefreshResult::NotRun:
            return "not-run";
        case TRefreshResult::NoMap:
            return "no-map";
        case TRefreshResult::Written:
            return "written";
        case TRefreshResult::Failed:
            return "failed";
    }
    return "failed";
}

int FirmwareWrite(const TGlobalOptions& global, const std::vector<std::string>& args) {
    constexpr const char* kCommand = "firmware write";
    const auto a = ParseArgs(kCommand, args, {"--lang", "--conf"},
                             {"--yes", "--no-backup", "--refresh", "--no-refresh", "--cross-edition"}, 1);
    if (!a) return kExitUsage;
    if (a->Has("--refresh") && a->Has("--no-refresh")) {
        Out().Error(kCommand, "--refresh and --no-refresh exclude each other");
        return kExitUsage;
    }
    // Questions would wait on a terminal that a script reading JSON never answers: such a run must say yes
    // beforehand.
    if (Out().Json() && !a->Has("--yes")) {
        Out().Error(kCommand,
                    "--json needs --yes: the questions cannot be asked on a terminal; nothing was sent");
        return kExitUsage;
    }
    if (const int rc = LoadLanguage(global, *a, kCommand); rc != kExitOk) return rc;
    const std::filesystem::path file = a->positional.front();
    // A file that cannot be an image is refused before the panel is touched.
    if (const std::string problem = FirmwareFileProblem(file); !problem.empty()) {
        Out().Errorf(kCommand, "%s; nothing was sent", problem.c_str());
        Out().Result() = {{"file", file.string()}, {"result", "refused"}};
        return kExitFailed;
    }
    auto link = MakeLink(global);
    if (const int rc = Connect(*link, TZelmoDevice::kModeFirmware, kCommand); rc != kExitOk) return rc;
    TZelmoDevice& device = link->Device();
    if (!device.IsFirmwareCompatible(file)) {
        Out().Errorf(kCommand,
                     "%s does not suit the connected device (type %u, version %s); nothing was sent",
                     file.string().c_str(), unsigned{device.TypeCode},
                     VersionText(TZelmoDescriptor::FromDevice(device)).c_str());
        Out().Result() = {{"file", file.string()}, {"result", "refused"}};
        return kExitFailed;
    }

    const bool yes = a->Has("--yes");
    TTerminalDialogs dialogs(yes, kCommand);
    TFirmwareWriteSetup setup;
    setup.mapFolder = global.DataFolder();
    setup.configFolder =
        a->Has("--conf") ? std::filesystem::path(a->options.at("--conf")) : UserFolder() / "conf";
    setup.backup = !a->Has("--no-backup");
    setup.askWithoutBackup = !yes;
    // The refresh resets passwords and codes to factory values: --yes alone never runs it.
    if (a->Has("--refresh")) setup.refresh = true;
    if (a->Has("--no-refresh") || (yes && !a->Has("--refresh"))) setup.refresh = false;
    // The other edition's image is a choice of its own, never answered by --yes.
    setup.crossEdition = a->Has("--cross-edition");
    setup.yPanel = device.TypeCode == frames::kTypePanel && device.Major == frames::kYPanelSystem;
    setup.languageIndex = CurrentLanguageIndex(LanguageCode(*a));
    TPhasedProgress progress(FirmwareStepBytes(device.Framed));
    TFirmwareWriter writer(
        *link, dialogs, setup,
        [&progress](const std::string& text) {
            progress.Status(text);
            if (!text.empty()) Out().Message(text);
        },
        nullptr, &progress);
    const TFirmwareWriteReport report = writer.Write(file);
    progress.Finish();
    Out().Result() = {{"file", file.string()},
                      {"result", ResultName(report)},
                      {"refresh", RefreshName(report.refresh)},
                      {"sent", report.sent},
                      {"total", report.total},
                      {"backup", report.backup.empty() ? nlohmann::ordered_json()
                                                       : nlohmann::ordered_json(report.backup.string())}};
    if (report.interrupted != 0) {
        Out().Error(kCommand, InterruptedAfterImageText(report));
        return InterruptedExit(report.interrupted);
    }
    if (report.result != TFirmwareWriteResult::Written) {
        Out().Reason(std::string("the firmware was not written (") + ResultName(report) + ")");
        return kExitFailed;
    }
    if (report.refresh == TRefreshResult::Failed) {
        Out().Reason("the firmware was written, but the configuration refresh failed");
        return kExitFailed;
    }
    if (report.panel && report.refresh == TRefreshResult::NotRun && setup.refresh == false &&
        !a->Has("--no-refresh")) {
        Out().Message(std::string("The panel's configuration was left as it was: --yes does not answer the "
                                  "refresh question. To bring it in line with the new firmware (factory "
                                  "values, the program's language), run: mirca-cli firmware refresh --yes") +
                      (report.majorChange ? " --major" : ""));
    }
    return kExitOk;
}

// The refresh a firmware write may leave out, on its own: the panel connected for configuration, the
// question 290 (answered by --yes), and the refresh on the map of the panel's identity.
int FirmwareRefresh(const TGlobalOptions& global, const std::vector<std::string>& args) {
    constexpr const char* kCommand = "firmware refresh";
    const auto a = ParseArgs(kCommand, args, {"--lang"}, {"--yes", "--major"}, 0);
    if (!a) return kExitUsage;
    if (Out().Json() && !a->Has("--yes")) {
        Out().Error(kCommand, "--json needs --yes: the question cannot be asked on a terminal");
        return kExitUsage;
    }
    if (const int rc = LoadLanguage(global, *a, kCommand); rc != kExitOk) return rc;
    auto link = MakeLink(global);
    if (const int rc = Connect(*link, TZelmoDevice::kModeConfiguration, kCommand); rc != kExitOk) return rc;
    TZelmoDevice& device = link->Device();
    const TZelmoDescriptor d = TZelmoDescriptor::FromDevice(device);
    if (device.TypeCode != frames::kTypePanel) {
        Out().Errorf(kCommand, "device type %u has no configuration to refresh", unsigned{device.TypeCode});
        return kExitFailed;
    }
    TTerminalDialogs dialogs(a->Has("--yes"), kCommand);
    if (dialogs.Ask(Msg(3), Msg(290), false) != IDialogService::TAnswer::Yes) {
        Out().Reason("the refresh was not confirmed; nothing was written");
        return kExitFailed;
    }
    const bool yPanel = device.Major == frames::kYPanelSystem;
    const auto progress = Out().Steps("Updating", "refresh");
    TRefreshResult result = TRefreshResult::Failed;
    {
        const TStopHold hold;  // a configuration write runs whole
        try {
            result = RefreshConfiguration(*link, global.DataFolder(), d, a->Has("--major"), yPanel,
                                          CurrentLanguageIndex(LanguageCode(*a)), progress.get());
        } catch (const std::exception& e) {
            Fail(e.what());
        }
    }
    Out().Result() = {{"refresh", RefreshName(result)}, {"version", VersionText(d)}};
    if (result == TRefreshResult::NoMap) {
        Out().Errorf(kCommand, "no memory map for %s in %s; nothing was written", VersionText(d).c_str(),
                     global.DataFolder().string().c_str());
        return kExitFailed;
    }
    if (result == TRefreshResult::Failed) {
        FailOperation("bringing the configuration in line with the firmware");
        Out().Errorf(kCommand, "%s\n%s", Msg(29).c_str(), LastFailureText().c_str());
        return kExitFailed;
    }
    Out().Message("The panel's configuration was brought in line with its firmware.");
    return kExitOk;
}

}  // namespace

int Firmware(const TGlobalOptions& global, const std::vector<std::string>& args) {
    const TSubcommand sub = SplitSubcommand(args);
    if (sub.name == "list") return FirmwareList(global, sub.rest);
    if (sub.name == "write") return FirmwareWrite(global, sub.rest);
    if (sub.name == "refresh") return FirmwareRefresh(global, sub.rest);
    Out().Error("firmware", "expected 'list', 'write' or 'refresh'");
    return kExitUsage;
}

}  // namespace mirca::cli
