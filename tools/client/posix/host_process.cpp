#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "tools/client/host_process.h"

extern char** environ;

namespace ferolant::client {

struct THostProcess::TPipes {
  pid_t Pid = -1;
  int ToHost = -1;
  int FromHost = -1;
  int Errors = -1;  // the captured standard error, or -1
};

namespace {

void CloseFd(int& fd) noexcept {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// An unnamed file: it disappears with its last descriptor, whatever happens to us.
int AnonymousFile(std::string& error) {
  const char* dir = std::getenv("TMPDIR");
  std::string name = std::string(dir && *dir ? dir : "/tmp") + "/ferolant-stderr-XXXXXX";
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    error = name + ": " + std::strerror(errno);
    return -1;
  }
  ::unlink(name.c_str());
  return fd;
}

}  // namespace

THostProcess::THostProcess(std::unique_ptr<TPipes> pipes) noexcept : FPipes(std::move(pipes)) {}

std::unique_ptr<THostProcess> THostProcess::Start(const std::string& path, std::string& error,
                                                  bool captureErrors) {
  // A host that dies while we write must show up as a failed write, not end the client.
  ::signal(SIGPIPE, SIG_IGN);
  if (::access(path.c_str(), X_OK) != 0) {
    error = "cannot run " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  int in[2];   // host's standard input
  int out[2];  // host's standard output
  if (::pipe2(in, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return nullptr;
  }
  if (::pipe2(out, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    ::close(in[0]), ::close(in[1]);
    return nullptr;
  }
  int errors = -1;
  if (captureErrors && (errors = AnonymousFile(error)) < 0) {
    ::close(in[0]), ::close(in[1]), ::close(out[0]), ::close(out[1]);
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  if (errors >= 0) posix_spawn_file_actions_adddup2(&actions, errors, 2);
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  if (rc != 0) {
    error = "cannot start " + path + ": " + std::strerror(rc);
    ::close(in[1]), ::close(out[0]);
    CloseFd(errors);
    return nullptr;
  }
  return std::unique_ptr<THostProcess>(
      new THostProcess(std::make_unique<TPipes>(TPipes{pid, in[1], out[0], errors})));
}

THostProcess::~THostProcess() {
  CloseInput();
  CloseOutput();
  if (!FStatus && !WaitExit(std::chrono::milliseconds(0))) {
    ::kill(FPipes->Pid, SIGKILL);
    WaitExit(std::chrono::seconds(10));
  }
  CloseFd(FPipes->Errors);
}

long THostProcess::Pid() const noexcept { return FPipes->Pid; }

bool THostProcess::WriteRaw(std::string_view bytes) {
  while (!bytes.empty()) {
    if (FPipes->ToHost < 0) return false;
    const ssize_t n = ::write(FPipes->ToHost, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::size_t THostProcess::ReadSome(char* out, std::size_t n,
                                   std::chrono::steady_clock::time_point deadline, bool& timedOut) {
  for (;;) {
    if (FPipes->FromHost < 0) return 0;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    // What is there already is read even when the deadline has passed.
    pollfd p{FPipes->FromHost, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(std::clamp<long long>(left.count(), 0, 1000)));
    if (ready < 0 && errno != EINTR) return 0;
    if (ready == 0 && left.count() <= 0) {
      timedOut = true;
      return 0;
    }
    if (ready <= 0) continue;
    const ssize_t r = ::read(FPipes->FromHost, out, n);
    if (r < 0 && errno == EINTR) continue;
    return r > 0 ? static_cast<std::size_t>(r) : 0;
  }
}

std::string THostProcess::ErrorOutput() const {
  std::string text;
  char chunk[4096];
  for (off_t at = 0; FPipes->Errors >= 0;) {
    const ssize_t n = ::pread(FPipes->Errors, chunk, sizeof chunk, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(chunk, static_cast<std::size_t>(n));
    at += n;
  }
  return text;
}

void THostProcess::CloseInput() noexcept { CloseFd(FPipes->ToHost); }

void THostProcess::CloseOutput() noexcept { CloseFd(FPipes->FromHost); }

std::optional<int> THostProcess::WaitExit(std::chrono::milliseconds timeout) {
  if (FStatus) return FStatus;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(FPipes->Pid, &status, WNOHANG);
    if (r == FPipes->Pid) {
      FStatus = status;
      return FStatus;
    }
    if (r < 0 && errno != EINTR) return std::nullopt;
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::string DescribeExit(int status) {
  if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
  return "status " + std::to_string(status);
}

std::string DefaultHostPath() {
  std::string self(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size());
  if (n <= 0) return "ferolant";
  self.resize(static_cast<std::size_t>(n));
  return self.substr(0, self.rfind('/') + 1) + "ferolant";
}

}  // namespace ferolant::client
