#include "platform/process_exit.h"

#include <unistd.h>

#include <cstdio>

namespace platform {

void LeaveProcess(int exitCode) noexcept {
  std::fflush(nullptr);
  ::_exit(exitCode);
}

}  // namespace platform
