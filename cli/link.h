#pragma once

#include <memory>
#include <string>

#include "cli/commands.h"
#include "devlink/panellink.h"

namespace mirca::cli {

// Whether a --port value names a transport: "usb", or "unix:" and a path.
bool IsPortName(const std::string& name);

// A link over the port the options name (USB, or the socket of --port / MIRCA_PORT), not yet open; the
// transport reports failed platform calls on stderr.
std::unique_ptr<TPanelLink> MakeLink(const TGlobalOptions& global);

// The exit code for an outcome of opening the panel.
int ExitCode(TLinkOutcome outcome);

// Opens exactly one panel and connects in the given mode: kExitOk, else the exit code with the reason
// printed.
int Connect(TPanelLink& link, std::uint32_t mode, const char* command);
// Opens the port to exactly one panel without a protocol exchange (the event-log reader speaks its own).
int OpenPort(TPanelLink& link, const char* command);

// "mirca-cli COMMAND: " and the failure record's text on stderr.
void PrintFailure(const char* command);

}  // namespace mirca::cli
