// The built host as a child process with pipes on its standard input and
// output, for tests that watch the whole program. Every wait takes a time-out
// and reports whether the awaited event came; none of them sleeps blindly.
// The process and its pipes are the client's (tools/client/host_process.h),
// which starts the host the way a browser does.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tools/client/host_process.h"

// Generous enough for a loaded two-core machine; a test that passes never waits it out.
inline constexpr std::chrono::milliseconds kProcessTimeout = std::chrono::seconds(20);

struct TExitStatus {
  bool Exited = false;  // ended by itself (else killed by a signal)
  int Code = -1;        // exit code when Exited, else the signal number
};

class TChildProcess {
 public:
  struct TOptions {
    // Start with standard input already at its end (no pipe is kept).
    bool EmptyInput = false;
    // Close the reading end of the output pipe at once: every write fails.
    bool OutputReaderGone = false;
  };

  explicit TChildProcess(const std::string& path) : TChildProcess(path, TOptions{}) {}
  TChildProcess(const std::string& path, TOptions options);
  ~TChildProcess();  // kills and reaps a child that still runs
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  // Writes bytes to the child's standard input; false when that failed.
  bool Write(std::string_view bytes);
  // Closes the child's standard input: the child reads end of input.
  void CloseInput();
  // Stops reading the child's output: its pending and later writes fail.
  void CloseOutput();
  // The child's process id, for looking at it in /proc.
  int Pid() const noexcept { return static_cast<int>(FHost->Pid()); }

  // Exactly count bytes of the child's output, or nullopt when the output
  // ended or the time-out passed first.
  std::optional<std::string> Read(std::size_t count,
                                  std::chrono::milliseconds timeout = kProcessTimeout);
  // One frame's body.
  std::optional<std::string> ReadFrame(std::chrono::milliseconds timeout = kProcessTimeout);
  // Everything the child writes until its output ends; nullopt on time-out.
  std::optional<std::string> ReadToEnd(std::chrono::milliseconds timeout = kProcessTimeout);

  // The way the child ended, or nullopt when it still runs after the time-out.
  std::optional<TExitStatus> WaitForExit(std::chrono::milliseconds timeout = kProcessTimeout);
  bool Running();

  // POSIX only. Waits until the child has installed its own handler for the
  // signal, so that sending it tests the handler rather than the default action.
  bool WaitUntilCatching(int signal, std::chrono::milliseconds timeout = kProcessTimeout);
  // POSIX only. Asks the child to close, as the system does at log-off.
  void SendSignal(int signal);

 private:
  std::unique_ptr<ferolant::client::THostProcess> FHost;
  std::optional<TExitStatus> FStatus;
};

// The platform's reading of an exit status as THostProcess::WaitExit gives it.
TExitStatus ExitStatusOf(int status) noexcept;
