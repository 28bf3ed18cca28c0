// The manager's start-up, its one-shot site mode and its shutdown.
#pragma once

#include <windows.h>

// Runs the manager with the process's command line: argv[1] the launcher's
// path (its folder is the game folder), argv[2] "OpenUrl" or a game id.
// Returns the process exit code (always 0).
int RunManager(HINSTANCE instance);
