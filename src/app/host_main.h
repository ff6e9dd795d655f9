// The host process from start to end, shared by the entry points of every platform.
#pragma once

// Binds the signing library, initialises the application, creates the main form (which
// starts the worker), runs the message loop until the main form closes and ends the process
// with exit code 0. Returns only when the host cannot start, with the exit code to end with.
int RunHostProcess();
