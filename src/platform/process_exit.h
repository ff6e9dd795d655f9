// Leaving the process once the main loop is over.
#pragma once

namespace platform {

// Ends the process with exitCode without waiting for other threads and
// without destroying static objects: the worker thread may still sit in a
// read of standard input and must find everything it uses still in place.
[[noreturn]] void LeaveProcess(int exitCode) noexcept;

}  // namespace platform
