#include "base/errorreport.h"

#include <cstdio>

namespace mirca {

void ReportToStderr(const std::string& caption, const std::string& text) {
    // One write per report, so that reports from several threads or processes do not interleave mid-line.
    const std::string line = caption + ": " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace mirca
