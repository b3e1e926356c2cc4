#pragma once

#include <functional>
#include <string>

namespace mirca {

// Where the transport reports a failed platform call: the GUI shows a box captioned "Error", the CLI prints
// to stderr. The caption comes first, the text second.
using ErrorReporter = std::function<void(const std::string& caption, const std::string& text)>;

// Prints "Error: text" to stderr.
void ReportToStderr(const std::string& caption, const std::string& text);

}  // namespace mirca
