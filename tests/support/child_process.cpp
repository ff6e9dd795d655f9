#include "tests/support/child_process.h"

#include <algorithm>
#include <stdexcept>

#include "channel/frame_header.h"

namespace {

using TClock = std::chrono::steady_clock;

}  // namespace

TChildProcess::TChildProcess(const std::string& path, TOptions options) {
  std::string error;
  FHost = ferolant::client::THostProcess::Start(path, error);
  if (!FHost) throw std::runtime_error(error);
  if (options.EmptyInput) CloseInput();
  if (options.OutputReaderGone) CloseOutput();
}

// The host process kills and reaps a child that still runs.
TChildProcess::~TChildProcess() = default;

bool TChildProcess::Write(std::string_view bytes) { return FHost->WriteRaw(bytes); }

void TChildProcess::CloseInput() { FHost->CloseInput(); }

void TChildProcess::CloseOutput() { FHost->CloseOutput(); }

std::optional<std::string> TChildProcess::Read(std::size_t count,
                                               std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  std::string bytes;
  char buffer[4096];
  bool timedOut = false;
  while (bytes.size() < count) {
    const std::size_t want = std::min(sizeof buffer, count - bytes.size());
    const std::size_t read = FHost->ReadSome(buffer, want, deadline, timedOut);
    if (read == 0) return std::nullopt;
    bytes.append(buffer, read);
  }
  return bytes;
}

std::optional<std::string> TChildProcess::ReadFrame(std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  const auto header = Read(4, timeout);
  if (!header) return std::nullopt;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
  return Read(FrameLength(header->data()), std::max(left, std::chrono::milliseconds(0)));
}

std::optional<std::string> TChildProcess::ReadToEnd(std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  std::string bytes;
  char buffer[4096];
  bool timedOut = false;
  while (const std::size_t read = FHost->ReadSome(buffer, sizeof buffer, deadline, timedOut)) {
    bytes.append(buffer, read);
  }
  if (timedOut) return std::nullopt;
  return bytes;
}

std::optional<TExitStatus> TChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
  if (!FStatus) {
    if (const std::optional<int> status = FHost->WaitExit(timeout)) FStatus = ExitStatusOf(*status);
  }
  return FStatus;
}

bool TChildProcess::Running() { return !WaitForExit(std::chrono::milliseconds(0)).has_value(); }
