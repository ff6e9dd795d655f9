// The host process from start to end, shared by the entry points of every platform.
#pragma once

// Initialises the application, creates the main form (which starts the worker), runs the
// message loop until the main form closes and ends the process with exit code 0.
[[noreturn]] void RunHostProcess();
