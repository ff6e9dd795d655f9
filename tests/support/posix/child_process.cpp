// What a child process is on POSIX beyond its pipes: signals and how it ended.
#include "tests/support/child_process.h"

#include <signal.h>
#include <sys/wait.h>

#include <fstream>
#include <thread>

TExitStatus ExitStatusOf(int status) noexcept {
  return WIFEXITED(status) ? TExitStatus{true, WEXITSTATUS(status)}
                           : TExitStatus{false, WTERMSIG(status)};
}

void TChildProcess::SendSignal(int signal) {
  if (!FStatus) ::kill(Pid(), signal);
}

bool TChildProcess::WaitUntilCatching(int signal, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  const std::string statusFile = "/proc/" + std::to_string(Pid()) + "/status";
  for (;;) {
    std::ifstream status(statusFile);
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("SigCgt:", 0) != 0) continue;
      const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
      if (caught & (1ull << (signal - 1))) return true;
    }
    if (std::chrono::steady_clock::now() >= deadline || !Running()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}
