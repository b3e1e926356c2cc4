#include "devlink/panellink.h"

#include <string>
#include <utility>

#include "base/failure.h"

namespace mirca {

namespace {

constexpr const char* kOperation = "connecting to the panel";

// The step that ended the attempt; a text the transport already noted (libusb's, the socket's) stays.
TLinkOutcome Refused(TLinkOutcome outcome, std::string step) {
    TFailure f;
    f.step = std::move(step);
    f.system = LastFailure().system;
    Fail(std::move(f));
    FailOperation(kOperation);
    return outcome;
}

}  // namespace

TPanelLink::TPanelLink(std::unique_ptr<TPort> port, ISleeper& sleeper)
    : port_(std::move(port)), device_(sleeper) {}

TPanelLink::~TPanelLink() {
    Close();
}

void TPanelLink::Close() {
    device_.Disconnect();
    port_->Close();
}

TLinkOutcome TPanelLink::OpenPort() {
    Close();
    ClearFailure();
    found_ = port_->Open();
    if (found_ == 0) {
        return Refused(TLinkOutcome::NoDevice, "no device found (is the panel attached and switched on?)");
    }
    if (found_ > 1) {
        port_->Close();
        return Refused(TLinkOutcome::SeveralDevices,
                       std::to_string(found_) + " devices found; attach only one panel");
    }
    if (!port_->IsOpen()) {
        return Refused(TLinkOutcome::NotOpened, "one panel found, but it could not be opened");
    }
    return TLinkOutcome::Connected;
}

TLinkOutcome TPanelLink::Open(std::uint32_t mode) {
    if (const TLinkOutcome found = OpenPort(); found != TLinkOutcome::Connected) return found;
    return ConnectDevice(mode);
}

TLinkOutcome TPanelLink::ConnectDevice(std::uint32_t mode) {
    ClearFailure();
    if (!device_.Connect(port_.get(), mode)) {
        // The protocol's own record says which exchange went unanswered; it comes after the summary.
        if (LastFailure().step.empty()) {
            Refused(TLinkOutcome::NoAnswer, "the device does not answer");
        } else {
            FailWithin("the device does not answer");
            FailOperation(kOperation);
        }
        port_->Close();
        return TLinkOutcome::NoAnswer;
    }
    return TLinkOutcome::Connected;
}

}  // namespace mirca
