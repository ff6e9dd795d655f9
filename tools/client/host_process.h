#pragma once
// A native messaging host started the way a browser starts it: a child process whose standard
// input and output are pipes to us, its standard error left on ours.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ferolant::client {

class HostProcess {
 public:
  enum class ReadStatus { kFrame, kClosed, kTruncated, kTimedOut, kTooLong };

  // No browser takes a frame anywhere near this; a header that claims more is garbage.
  static constexpr std::uint32_t kMaxFrame = 256u * 1024 * 1024;

  // Starts the executable at path with no arguments; on failure returns nullptr and says why.
  static std::unique_ptr<HostProcess> Start(const std::string& path, std::string& error);

  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;
  // Closes the pipes and, if the host is still running, ends it.
  ~HostProcess();

  // Writes the 4-byte little-endian length and the body. False when the host closed its input.
  bool WriteFrame(std::string_view body);
  // Writes bytes as they are, for sending deliberately broken frames.
  bool WriteRaw(std::string_view bytes);
  // Waits up to timeout for one whole frame.
  ReadStatus ReadFrame(std::string& body, std::chrono::milliseconds timeout);

  // What a browser does when the extension lets go of the port.
  void CloseInput() noexcept;
  // The exit status (as waitpid reports it) once the host has ended, or nothing after timeout.
  std::optional<int> WaitExit(std::chrono::milliseconds timeout);

  pid_t pid() const noexcept { return pid_; }

 private:
  HostProcess(pid_t pid, int to_host, int from_host) noexcept
      : pid_(pid), to_host_(to_host), from_host_(from_host) {}
  bool ReadExactly(char* out, std::size_t n, std::chrono::steady_clock::time_point deadline,
                   bool& timed_out);

  pid_t pid_;
  int to_host_;
  int from_host_;
  std::optional<int> status_;
};

// Describes a waitpid status for people: "exit code 0", "killed by signal 9".
std::string DescribeExit(int status);

}  // namespace ferolant::client
