// Helpers shared by the session queries of session_info_win32.cpp and
// session_info_posix.cpp, and the process-wide session record.
#pragma once

#include "utilglobal.h"

// Size of the block that holds a client address: "255.255.255.255" and its
// terminator.
const int kClientAddressSize = 16;

// A new zeroed 16-byte block holding the four octets as "%i.%i.%i.%i".
char* formatClientAddress(const unsigned char octets[4]);

// The process's one session record, filled by getSessionInfo on the first
// call from any thread and never refreshed; owned by this module.
const SessionInfo* processSessionInfo(void);

// How often the process-wide record was filled (for the tests: once at most).
int processSessionInfoFills(void);
