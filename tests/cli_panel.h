#pragma once

// What the mirca-cli end-to-end tests of configurations share: mirca-panelsim started from a shipped map on
// a socket in the test's folder, and mirca-cli run against it.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/process.h"
#include "tests/testfolder.h"

namespace mirca {

namespace testing_process {
inline const std::string kBin = MIRCA_BIN_DIR;
inline const std::string kMaps = kBin + "/drv_base";
}  // namespace testing_process

// A registration backup (.rrg) with every data byte inverted: header, then per range address, size, data.
inline std::vector<std::uint8_t> InvertedBackup(std::vector<std::uint8_t> b) {
    const unsigned ranges = b.at(3) | (b.at(4) << 8);
    std::size_t at = 11;
    for (unsigned k = 0; k < ranges; ++k) {
        const std::uint32_t size =
            b.at(at + 4) | (b.at(at + 5) << 8) | (b.at(at + 6) << 16) | (std::uint32_t{b.at(at + 7)} << 24);
        at += 8;
        for (std::uint32_t i = 0; i < size; ++i)
            b.at(at + i) ^= 0xFF;
        at += size;
    }
    return b;
}

class TCliPanelTest : public TTestFolder {
protected:
    // A panel served from a map; the caller keeps the returned object alive while it talks to it.
    std::unique_ptr<testing_process::TBackground> Panel(const std::string& name, const std::string& map,
                                                        std::vector<std::string> extra = {}) {
        const std::filesystem::path sock = dir_ / (name + ".sock");
        std::vector<std::string> argv = {testing_process::kBin + "/mirca-panelsim", "--socket", sock.string(),
                                         "--map", testing_process::kMaps + "/" + map};
        argv.insert(argv.end(), extra.begin(), extra.end());
        auto panel = std::make_unique<testing_process::TBackground>(argv);
        EXPECT_TRUE(panel->WaitFor("serving on"));
        return panel;
    }
    // mirca-cli with the port of the named panel.
    testing_process::TResult Cli(const std::string& panel, std::vector<std::string> args) {
        std::vector<std::string> argv = {testing_process::kBin + "/mirca-cli", "--port",
                                         "unix:" + (dir_ / (panel + ".sock")).string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return testing_process::Run(argv);
    }
};

}  // namespace mirca
