// Firmware commands: the files that fit the connected device, and the write as the update window runs it.
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "base/dialogs.h"
#include "base/failure.h"
#include "base/programdir.h"
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
    Out().Printf("%s\t%s\t%ju%s\t%s\t%s/\n", row.name.c_str(), row.version.c_str(), row.size,
                 Msg(269).c_str(), LocalTime(row.modified).c_str(), row.folder.string().c_str());
    Out().Result()["files"].push_back({{"name", row.name},
                                       {"version", row.version},
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

int FirmwareList(const TGlobalOptions& global, const std::vector<std::string>& args) {
    constexpr const char* kCommand = "firmware list";
    const auto a = ParseArgs(kCommand, args, {"--folder", "--lang"}, {"--all"}, 0);
    if (!a) return kExitUsage;
    if (!LoadLanguage(global, *a, kCommand)) return kExitUsage;
    const std::filesystem::path folder = FirmwareFolder(*a);
    Out().Result() = {{"folder", folder.string()}, {"files", nlohmann::ordered_json::array()}};
    if (a->Has("--all")) {
        TZelmoDevice none;
        for (const auto& row : ListFirmwareFiles(folder, "*", none))
            if (AnyMask(row.name)) PrintRow(row);
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
    for (const auto& row : ListFirmwareFiles(folder, *mask, device))
        PrintRow(row);
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

const char* ResultName(TFirmwareWriteResult result) {
    switch (result) {
        case TFirmwareWriteResult::Cancelled:
            return "cancelled";
        case TFirmwareWriteResult::Refused:
            return "refused";
        case TFirmwareWriteResult::Failed:
            return "failed";
        case TFirmwareWriteResult::Written:
            return "written";
    }
    return "failed";
}

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
                             {"--yes", "--no-backup", "--refresh", "--no-refresh"}, 1);
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
    if (!LoadLanguage(global, *a, kCommand)) return kExitUsage;
    const std::filesystem::path file = a->positional.front();
    // A file that cannot be an image is refused before the panel is touched.
    if (const std::string problem = FirmwareFileProblem(file); !problem.empty()) {
        Out().Errorf(kCommand, "%s; nothing was sent", problem.c_str());
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
    if (a->Has("--refresh")) setup.refresh = true;
    if (a->Has("--no-refresh")) setup.refresh = false;
    setup.yPanel = device.TypeCode == frames::kTypePanel && device.Major == 6;
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
                      {"result", ResultName(report.result)},
                      {"refresh", RefreshName(report.refresh)},
                      {"backup", report.backup.empty() ? nlohmann::ordered_json()
                                                       : nlohmann::ordered_json(report.backup.string())}};
    if (report.result != TFirmwareWriteResult::Written) {
        Out().Reason(std::string("the firmware was not written (") + ResultName(report.result) + ")");
        return kExitFailed;
    }
    if (report.refresh == TRefreshResult::Failed) {
        Out().Reason("the firmware was written, but the configuration refresh failed");
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

int Firmware(const TGlobalOptions& global, const std::vector<std::string>& args) {
    const TSubcommand sub = SplitSubcommand(args);
    if (sub.name == "list") return FirmwareList(global, sub.rest);
    if (sub.name == "write") return FirmwareWrite(global, sub.rest);
    Out().Error("firmware", "expected 'list' or 'write'");
    return kExitUsage;
}

}  // namespace mirca::cli
