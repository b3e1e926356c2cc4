// The sample firmware files written into mirca-panelsim with mirca-cli: once an image is in, the panel's
// identification reports the file's version, and the next image can take it back.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/cli_panel.h"

namespace mirca {
namespace {

class SimFirmwareE2e : public TCliPanelTest {};

TEST_F(SimFirmwareE2e, IdentifyShowsTheVersionOfEachSampleWritten) {
    struct TCase {
        const char* map;
        std::vector<std::string> extra;
        std::vector<std::pair<const char*, const char*>> writes;  // sample, identification after it
    } cases[] = {
        {"937_d_6_4.xml",
         {},
         {{"Y-PCN_test_v6_3_5.tsk", "version: 6.3.5\n"}, {"Y-PCN_test_v6_4_12.tsk", "version: 6.4.12\n"}}},
        {"64_d_0_0.xml",
         {"--legacy"},
         {{"test_y-uop_40_v1_3.tsk", "version: 1.3.0\n"},
          {"test_y-uop_40_framed_v1_6.tsk", "version: 1.6.0\n"}}},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "p" + std::to_string(n++);
        auto panel = Panel(name, c.map, c.extra);
        for (const auto& [sample, version] : c.writes) {
            SCOPED_TRACE(sample);
            const auto write = Cli(name, {"firmware", "write", testing_process::kBin + "/base/" + sample,
                                          "--yes", "--no-backup", "--lang", "EN"});
            EXPECT_EQ(write.exitCode, 0) << write.out << write.err;
            const auto identity = Cli(name, {"identify"});
            EXPECT_NE(identity.out.find(version), std::string::npos) << identity.out << identity.err;
        }
    }
}

}  // namespace
}  // namespace mirca
