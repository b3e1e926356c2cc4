#include "app/workingmode.h"

namespace mirca {

const std::array<TWorkingModeInfo, 3>& WorkingModes() {
    static const std::array<TWorkingModeInfo, 3> modes = {{
        {TWorkingMode::FirmwareUpdate, "FW_Update", "Mode1", "firmware"},
        {TWorkingMode::PanelConfig, "Panel_Config", "Mode3", "config"},
        {TWorkingMode::EventLog, "EventLog", "Mode4", "eventlog"},
    }};
    return modes;
}

const TWorkingModeInfo* WorkingModeInfo(TWorkingMode mode) {
    for (const TWorkingModeInfo& info : WorkingModes())
        if (info.mode == mode) return &info;
    return nullptr;
}

const TWorkingModeInfo* WorkingModeOfButton(std::string_view buttonName) {
    for (const TWorkingModeInfo& info : WorkingModes())
        if (buttonName.find(info.buttonPart) != std::string_view::npos) return &info;
    return nullptr;
}

const TWorkingModeInfo* WorkingModeOfOption(std::string_view option) {
    for (const TWorkingModeInfo& info : WorkingModes())
        if (option == info.option) return &info;
    return nullptr;
}

std::string WorkingModeOptions() {
    std::string options;
    for (const TWorkingModeInfo& info : WorkingModes()) {
        if (!options.empty()) options += '|';
        options += info.option;
    }
    return options;
}

TWorkingMode TModeSelection::Clicked(std::string_view buttonName, bool workingWindowOpen) {
    const TWorkingModeInfo* info = WorkingModeOfButton(buttonName);
    return workingWindowOpen || !info ? TWorkingMode::None : info->mode;
}

void TModeSelection::Choose(TWorkingMode mode) {
    if (!WorkingModeInfo(mode)) return;
    mode_ = mode;
    canContinue_ = true;
}

TWorkingMode TModeSelection::Continue() {
    if (!canContinue_) return TWorkingMode::None;
    canContinue_ = false;
    return mode_;
}

void TModeSelection::WindowClosed() {
    canContinue_ = WorkingModeInfo(mode_) != nullptr;
}

void TModeSelection::OpenDirectly(TWorkingMode mode) {
    mode_ = WorkingModeInfo(mode) ? mode : TWorkingMode::None;
    canContinue_ = false;
}

}  // namespace mirca
