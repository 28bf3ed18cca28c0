// The catalogue check: fetches the catalogue, refreshes the promotion banner,
// keeps a redirected catalogue address and, on the periodic checks, announces
// a new game and queues the manager's own update.
#pragma once

#include <windows.h>

// Starts a check on a thread of its own at idle priority; mode 0 is the
// first check after the window exists, 1 a periodic one. The caller has set
// catalogueCheckRunning; the check clears it when it ends (here, when the
// thread cannot be made).
void StartCatalogueCheck(int mode);

// The thread procedure; the argument is the mode. Returns 0.
DWORD WINAPI CatalogueCheck(LPVOID mode);
