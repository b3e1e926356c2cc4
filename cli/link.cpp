#include "cli/link.h"

#include <cstdio>

#include "base/failure.h"
#include "base/programdir.h"
#include "cli/output.h"
#include "devlink/usbpipe.h"

namespace mirca::cli {

std::filesystem::path TGlobalOptions::DataFolder() const {
    return dataFolder.empty() ? mirca::DataFolder() / "drv_base" : dataFolder;
}

bool IsPortName(const std::string& name) {
    constexpr std::string_view kUnix = "unix:";
    return name == "usb" || (name.size() > kUnix.size() && name.compare(0, kUnix.size(), kUnix) == 0);
}

std::unique_ptr<TPanelLink> MakeLink(const TGlobalOptions& global) {
    auto pipe = std::make_unique<TAtmUsbPipe>();
    pipe->SetErrorReporter(ReportToStderr);
    if (!global.port.empty()) pipe->SetPortName(global.port);
    return std::make_unique<TPanelLink>(std::move(pipe));
}

int ExitCode(TLinkOutcome outcome) {
    switch (outcome) {
        case TLinkOutcome::Connected:
            return kExitOk;
        case TLinkOutcome::NoDevice:
            return kExitNoDevice;
        case TLinkOutcome::SeveralDevices:
            return kExitManyDevices;
        case TLinkOutcome::NotOpened:
        case TLinkOutcome::NoAnswer:
            break;
    }
    return kExitFailed;
}

int Connect(TPanelLink& link, std::uint32_t mode, const char* command) {
    const int rc = ExitCode(link.Open(mode));
    if (rc != kExitOk) PrintFailure(command);
    return rc;
}

int OpenPort(TPanelLink& link, const char* command) {
    const int rc = ExitCode(link.OpenPort());
    if (rc != kExitOk) PrintFailure(command);
    return rc;
}

void PrintFailure(const char* command) {
    const std::string failure = LastFailureText();
    // Another program holds the panel: it answers, just not to us, and the user only has to wait.
    if (failure.find(TAtmUsbPipe::kBusyText) != std::string::npos) {
        Out().Errorf(command, "%s; try again once it has finished", TAtmUsbPipe::kBusyText);
        return;
    }
    Out().Error(command, failure);
}

}  // namespace mirca::cli
