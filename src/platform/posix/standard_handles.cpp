#include "platform/standard_handles.h"

#include <unistd.h>

#include <csignal>
#include <mutex>

#include "platform/posix/fd_stream.h"

namespace platform {

namespace {

// A browser that has gone away must show up as a failed write, as on Windows,
// not as a signal that kills the host.
void IgnoreBrokenPipe() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

}  // namespace

std::unique_ptr<IByteStream> OpenStandardInput() {
  return std::make_unique<TFdStream>(STDIN_FILENO);
}

std::unique_ptr<IByteStream> OpenStandardOutput() {
  IgnoreBrokenPipe();
  // A reply of up to a megabyte then goes into the pipe in one write, instead
  // of in 64 KiB turns of writer and reader.
  return std::make_unique<TFdStream>(STDOUT_FILENO, /*widenPipe=*/true);
}

}  // namespace platform
