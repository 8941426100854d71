// A fault in the program's own code ends the program, wherever it happens.
#pragma once

// Watches the process from now on (once; later calls do nothing). Where Windows has no
// vectored exception handlers (2000), a fault is left to Windows as before.
void WatchForFaultsInOwnCode();
