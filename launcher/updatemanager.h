// The update manager, started beside the viewer when the auto-updater asks
// for it.
#pragma once

// When CHECK_AUTOUPDATER is on, the auto-updater runs and the update manager
// does not, starts the update manager with its output on the capture pipe.
// Its failure to start is not reported.
void startUpdateManagerIfNeeded(void);
