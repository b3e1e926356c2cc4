// The helper that runs the project's programs from tests: a child's sanitizer report fails the test that ran
// it, also when the test expects the child to fail and when the child runs in the background. The children
// here are shell lines that end the way a sanitizer-built program does.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/process.h"

namespace mirca {
namespace {

namespace tp = testing_process;

std::vector<std::string> Shell(const std::string& line) {
    return {"/bin/sh", "-c", line};
}

struct TEnding {
    const char* name;
    std::string line;  // what the child does after its first line
    bool report;
};

std::vector<TEnding> Endings() {
    std::vector<TEnding> endings = {
        {"a clean failure", "echo 'mirca-cli: no panel' >&2; exit 1", false},
        {"a clean success", "exit 0", false},
        {"a leak report with the expected exit code",
         "echo '==7==ERROR: LeakSanitizer: detected memory leaks' >&2; exit 1", true},
        {"an address report", "echo '==7==ERROR: AddressSanitizer: heap-use-after-free' >&2; exit 1", true},
        {"undefined behaviour",
         "echo 'devlink/frames.cpp:10:5: runtime error: shift exponent 40' >&2; exit 1", true},
    };
#ifdef MIRCA_SANITIZER_EXITCODE
    // With the build's options the exit code alone tells, even when nothing could be read.
    endings.push_back(
        {"the sanitizers' exit code", "exit " + std::to_string(MIRCA_SANITIZER_EXITCODE), true});
#endif
    return endings;
}

TEST(TestingProcess, AChildsSanitizerReportFailsTheTest) {
    for (const auto& e : Endings()) {
        SCOPED_TRACE(e.name);
        const auto run = [&] { tp::Run(Shell(e.line)); };
        const auto together = [&] { tp::RunTogether({Shell("exit 0"), Shell(e.line)}); };
        const auto background = [&] {
            // The report comes on the way out, after SIGTERM, as a leak check does.
            tp::TBackground child(
                Shell("trap \"" + e.line + "\" TERM; echo serving on; while :; do sleep 0.05; done"));
            ASSERT_TRUE(child.WaitFor("serving on"));
        };
        if (e.report) {
            EXPECT_NONFATAL_FAILURE(run(), "reported a sanitizer finding");
            EXPECT_NONFATAL_FAILURE(together(), "reported a sanitizer finding");
            EXPECT_NONFATAL_FAILURE(background(), "reported a sanitizer finding");
        } else {
            run();
            together();
            background();
        }
    }
}

TEST(TestingProcess, ABackgroundChildsStderrIsKeptWhateverItsLength) {
    // More than a pipe holds, written while nobody reads: the child must neither block nor lose it.
    tp::TBackground child(
        Shell("trap 'echo ==1==ERROR: LeakSanitizer: at the end >&2; exit 1' TERM; "
              "head -c 70000 /dev/zero | tr '\\0' x >&2; echo serving on; while :; do sleep 0.05; done"));
    ASSERT_TRUE(child.WaitFor("serving on"));
    EXPECT_NONFATAL_FAILURE(child.Stop(), "ERROR: LeakSanitizer: at the end");
}

}  // namespace
}  // namespace mirca
