#include "platform/process_exit.h"

#include <unistd.h>

#include <cstdio>

void LeaveProcess(int exitCode) noexcept {
  std::fflush(nullptr);
  ::_exit(exitCode);
}
