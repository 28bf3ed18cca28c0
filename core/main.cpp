// ZarnWrapper.exe entry point.
#include <windows.h>

#include "core/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunManager(instance); }
