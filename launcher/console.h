// console: the console of verbose mode.
#pragma once

// Gives the launcher a console for its progress lines and binds the standard
// streams to it, unbuffered.
void openConsole(void);
