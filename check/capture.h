// Captures what the product's own code writes while a check calls it: its
// standard output and standard error (the launcher's and routing's messages)
// and the utility layer's console (console_output.h), so the report can show
// it beside the check's line instead of mixing it into the report.
#pragma once

#include <functional>
#include <string>

namespace tarvo_check {

// Runs `call` with both standard streams and the console captured; returns
// what was written, in the order written. When the streams cannot be
// redirected the call still runs and its output goes where it would.
std::string captured(const std::function<void()>& call);

}  // namespace tarvo_check
