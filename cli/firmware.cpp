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
#include "cli/termprogress.h"
#include "devlink/frames.h"
#include "firmware/filelist.h"
#include "firmware/firmwarewrite.h"
#include "memmap/configsession.h"
#include "memmap/descriptor.h"

namespace mirca::cli {

namespace {

// Questions on a terminal: "--yes" answers each with Yes; without it they are asked on stdin when that is a
// terminal, and answered No (with a word on how to go on) when it is not. Boxes become lines: errors and
// warnings on stderr, the rest on stdout.
class TTerminalDialogs final : public IDialogService {
public:
    TTerminalDialogs(bool yes, const char* command)
        : yes_(yes), interactive_(isatty(STDIN_FILENO) == 1), command_(command) {}

    void Inform(const std::string&, const std::string& text, TIcon icon) override {
        if (icon == TIcon::Error || icon == TIcon::Warning)
            std::fprintf(stderr, "mirca-cli %s: %s\n", command_, text.c_str());
        else
            std::printf("%s\n", text.c_str());
    }
    TAnswer Ask(const std::string&, const std::string& text, bool defaultNo) override {
        if (yes_) {
            std::printf("%s yes (--yes)\n", text.c_str());
            return TAnswer::Yes;
        }
        if (!interactive_) {
            std::fprintf(stderr, "mirca-cli %s: %s: no terminal to answer on; --yes answers yes\n", command_,
                         text.c_str());
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
    void ShowException(const std::string& text) override {
        std::fprintf(stderr, "mirca-cli %s: %s\n", command_, text.c_str());
    }

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

void PrintRow(const TFirmwareFileRow& row) {
    std::printf("%s\t%s\t%ju%s\t%s\t%s/\n", row.name.c_str(), row.version.c_str(), row.size, Msg(269).c_str(),
                LocalTime(row.modified).c_str(), row.folder.string().c_str());
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
        std::fprintf(stderr, "mirca-cli %s: device type %u takes no firmware from this program\n", kCommand,
                     unsigned{device.TypeCode});
        return kExitFailed;
    }
    std::printf("# %s %s, files %s in %s\n", Msg(name).c_str(), VersionText(d).c_str(), mask->c_str(),
                folder.string().c_str());
    for (const auto& row : ListFirmwareFiles(folder, *mask, device))
        PrintRow(row);
    return kExitOk;
}

int FirmwareWrite(const TGlobalOptions& global, const std::vector<std::string>& args) {
    constexpr const char* kCommand = "firmware write";
    const auto a = ParseArgs(kCommand, args, {"--lang", "--conf"},
                             {"--yes", "--no-backup", "--refresh", "--no-refresh"}, 1);
    if (!a) return kExitUsage;
    if (a->Has("--refresh") && a->Has("--no-refresh")) {
        std::fprintf(stderr, "mirca-cli %s: --refresh and --no-refresh exclude each other\n", kCommand);
        return kExitUsage;
    }
    if (!LoadLanguage(global, *a, kCommand)) return kExitUsage;
    const std::filesystem::path file = a->positional.front();
    // A file that cannot be an image is refused before the panel is touched.
    if (const std::string problem = FirmwareFileProblem(file); !problem.empty()) {
        std::fprintf(stderr, "mirca-cli %s: %s; nothing was sent\n", kCommand, problem.c_str());
        return kExitFailed;
    }
    auto link = MakeLink(global);
    if (const int rc = Connect(*link, TZelmoDevice::kModeFirmware, kCommand); rc != kExitOk) return rc;
    TZelmoDevice& device = link->Device();
    if (!device.IsFirmwareCompatible(file)) {
        std::fprintf(stderr,
                     "mirca-cli %s: %s does not suit the connected device (type %u, version %s); "
                     "nothing was sent\n",
                     kCommand, file.string().c_str(), unsigned{device.TypeCode},
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
    TTermProgress progress("Writing", FirmwareStepBytes(device.Framed));
    TFirmwareWriter writer(
        *link, dialogs, setup,
        [](const std::string& text) {
            if (!text.empty()) std::printf("%s\n", text.c_str());
        },
        nullptr, &progress);
    const TFirmwareWriteReport report = writer.Write(file);
    progress.Finish();
    if (report.result != TFirmwareWriteResult::Written) return kExitFailed;
    return report.refresh == TRefreshResult::Failed ? kExitFailed : kExitOk;
}

}  // namespace

int Firmware(const TGlobalOptions& global, const std::vector<std::string>& args) {
    const TSubcommand sub = SplitSubcommand(args);
    if (sub.name == "list") return FirmwareList(global, sub.rest);
    if (sub.name == "write") return FirmwareWrite(global, sub.rest);
    std::fprintf(stderr, "mirca-cli firmware: expected 'list' or 'write'\n");
    return kExitUsage;
}

}  // namespace mirca::cli
