// Java runtime discovery: which javaw.exe starts the viewer.
#pragma once

// The path of javaw.exe: FORCED_JAVAW_PATH when configured (unchecked, even
// when empty), else the first private runtime under the Program Files
// folder, else the runtime the registry names when it is recent enough and
// its file exists, else DEFAULT_JAVAW_PATH (null when that is not
// configured). Reports its progress on the standard streams. The text lives
// for the run; the caller never frees it.
const char* findJavaw(void);

// What the search left behind for the log header; empty texts when the
// search did not get that far.
const char* javawProgramFilesHit(void);
const char* javawRegistryCandidate(void);
