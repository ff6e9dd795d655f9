// The Windows entry point: a GUI-subsystem program, so no console window opens when the
// browser starts the host. The command line is not read.
#include <windows.h>

#include "app/host_main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return RunHostProcess(); }
