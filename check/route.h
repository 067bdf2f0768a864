// "TarvoCheck route SENDER DESTINATION HOST": which sources of the routing
// database match, ranked as the lookup ranks them, why each matched, the
// winner and what its container would get. Read-only: the product's own
// statements, nothing created, no log row.
#pragma once

#include <string>

namespace tarvo_check {

// Prints the answer (text, or JSON with `json`); returns 0 when a source
// wins, 1 when none matches, 2 when the database cannot be asked.
int runRoute(const std::string& sender, const std::string& destination, const std::string& host, bool json);

}  // namespace tarvo_check
