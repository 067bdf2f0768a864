// The PATH the viewer inherits: the launcher's own PATH with the native
// directory appended (the one that fits the runtime, library_choice.h).
#pragma once

// Extends the launcher's PATH by NATIVE_DIRECTORY (the viewer inherits it);
// without a PATH the native directory stands alone. False, after its report,
// when the start cannot go on.
bool extendPathForViewer(void);
