#include "platform/process_exit.h"

#include <windows.h>

#include <cstdio>

namespace platform {

void LeaveProcess(int exitCode) noexcept {
  std::fflush(nullptr);
  // Ends the other threads first (the worker may sit in a read of standard input) and runs
  // no static destructor of this program that the worker could still be using.
  ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace platform
