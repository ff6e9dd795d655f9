#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "channel/frame_header.h"

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;

int MillisecondsLeft(TClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

}  // namespace

TChildProcess::TChildProcess(const std::string& path, TOptions options) {
  // Nobody here wants to die of a write to a child that has ended.
  ::signal(SIGPIPE, SIG_IGN);
  int input[2];
  int output[2];
  if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe2 failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], 0);
  posix_spawn_file_actions_adddup2(&actions, output[1], 1);
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  const int error = ::posix_spawn(&FPid, path.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(input[0]);
  ::close(output[1]);
  if (error != 0) {
    ::close(input[1]);
    ::close(output[0]);
    throw std::runtime_error("cannot start " + path);
  }
  FInput = input[1];
  FOutput = output[0];
  if (options.EmptyInput) CloseInput();
  if (options.OutputReaderGone) {
    ::close(FOutput);
    FOutput = -1;
  }
}

TChildProcess::~TChildProcess() {
  CloseInput();
  if (FOutput >= 0) ::close(FOutput);
  if (!FStatus && FPid > 0) {
    ::kill(FPid, SIGKILL);
    int status;
    ::waitpid(FPid, &status, 0);
  }
}

bool TChildProcess::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(FInput, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void TChildProcess::CloseInput() {
  if (FInput >= 0) ::close(FInput);
  FInput = -1;
}

void TChildProcess::CloseOutput() {
  if (FOutput >= 0) ::close(FOutput);
  FOutput = -1;
}

std::optional<std::string> TChildProcess::Read(std::size_t count,
                                               std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  std::string bytes;
  while (bytes.size() < count) {
    if (FOutput < 0) return std::nullopt;
    pollfd ready{FOutput, POLLIN, 0};
    const int polled = ::poll(&ready, 1, MillisecondsLeft(deadline));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return std::nullopt;
    char buffer[4096];
    const std::size_t want = std::min(sizeof buffer, count - bytes.size());
    const ssize_t n = ::read(FOutput, buffer, want);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

std::optional<std::string> TChildProcess::ReadFrame(std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  const auto header = Read(4, timeout);
  if (!header) return std::nullopt;
  const std::uint32_t length = FrameLength(header->data());
  return Read(length, std::chrono::milliseconds(MillisecondsLeft(deadline)));
}

std::optional<std::string> TChildProcess::ReadToEnd(std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  std::string bytes;
  while (FOutput >= 0) {
    pollfd ready{FOutput, POLLIN, 0};
    const int polled = ::poll(&ready, 1, MillisecondsLeft(deadline));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return std::nullopt;
    char buffer[4096];
    const ssize_t n = ::read(FOutput, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

std::optional<TExitStatus> TChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  while (!FStatus) {
    int status = 0;
    const pid_t done = ::waitpid(FPid, &status, WNOHANG);
    if (done == FPid) {
      FStatus = WIFEXITED(status) ? TExitStatus{true, WEXITSTATUS(status)}
                                  : TExitStatus{false, WTERMSIG(status)};
      break;
    }
    if (TClock::now() >= deadline) return std::nullopt;
    // Checking the child's state, not waiting for a fixed time: the loop
    // returns as soon as the child has ended.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return FStatus;
}

bool TChildProcess::Running() { return !WaitForExit(std::chrono::milliseconds(0)).has_value(); }

void TChildProcess::SendSignal(int signal) {
  if (!FStatus) ::kill(FPid, signal);
}

bool TChildProcess::WaitUntilCatching(int signal, std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  const std::string statusFile = "/proc/" + std::to_string(FPid) + "/status";
  for (;;) {
    std::ifstream status(statusFile);
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("SigCgt:", 0) != 0) continue;
      const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
      if (caught & (1ull << (signal - 1))) return true;
    }
    if (TClock::now() >= deadline || !Running()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}
