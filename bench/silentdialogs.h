#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "base/dialogs.h"

namespace mirca::bench {

// Every box is answered at once.
class TSilentDialogs final : public mirca::IDialogService {
public:
    void Inform(const std::string&, const std::string&, TIcon) override {}
    TAnswer Ask(const std::string&, const std::string&, bool) override { return TAnswer::No; }
    std::optional<std::filesystem::path> ChooseFolder(const std::string&,
                                                      const std::filesystem::path&) override {
        return {};
    }
    std::optional<std::filesystem::path> ChooseOpenFile(const std::string&, const std::filesystem::path&,
                                                        const std::string&) override {
        return {};
    }
    std::optional<std::filesystem::path> ChooseSaveFile(const std::string&, const std::filesystem::path&,
                                                        const std::string&) override {
        return {};
    }
    void ShowException(const std::string&) override {}
};

}  // namespace mirca::bench
