// Verbose mode of the launcher (the DEBUG switch of its configuration).
#pragma once

bool launcherVerbose();
