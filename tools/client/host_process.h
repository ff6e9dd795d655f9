#pragma once
// A native messaging host started the way a browser starts it: a child process whose standard
// input and output are pipes to us, its standard error left on ours.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ferolant::client {

class THostProcess {
 public:
  enum class TReadStatus { Frame, Closed, Truncated, TimedOut, TooLong };

  // No browser takes a frame anywhere near this; a header that claims more is garbage.
  static constexpr std::uint32_t kMaxFrame = 256u * 1024 * 1024;

  // Starts the executable at path (UTF-8) with no arguments; on failure returns nullptr and
  // says why. With captureErrors the host's standard error goes to a private temporary file
  // instead of ours, for ErrorOutput to read back.
  static std::unique_ptr<THostProcess> Start(const std::string& path, std::string& error,
                                             bool captureErrors = false);

  THostProcess(const THostProcess&) = delete;
  THostProcess& operator=(const THostProcess&) = delete;
  // Closes the pipes and, if the host is still running, ends it.
  ~THostProcess();

  // Writes the 4-byte little-endian length and the body. False when the host closed its input.
  bool WriteFrame(std::string_view body);
  // Writes bytes as they are, for sending deliberately broken frames.
  bool WriteRaw(std::string_view bytes);
  // Waits up to timeout for one whole frame.
  TReadStatus ReadFrame(std::string& body, std::chrono::milliseconds timeout);
  // Reads what the host has written, at least one byte and at most n, waiting until deadline.
  // 0 when its output ended, or when the deadline passed first, with timedOut set.
  std::size_t ReadSome(char* out, std::size_t n, std::chrono::steady_clock::time_point deadline,
                       bool& timedOut);

  // What a browser does when the extension lets go of the port.
  void CloseInput() noexcept;
  // Stops reading the host's output: its pending and later writes fail.
  void CloseOutput() noexcept;
  // The exit status once the host has ended (as DescribeExit reads it), or nothing after
  // timeout.
  std::optional<int> WaitExit(std::chrono::milliseconds timeout);

  long Pid() const noexcept;

  // What the host has written to its standard error so far; empty unless started with
  // captureErrors.
  std::string ErrorOutput() const;

 private:
  struct TPipes;  // the platform's process and pipe handles
  explicit THostProcess(std::unique_ptr<TPipes> pipes) noexcept;
  // Reads n bytes; false at end of input, with timedOut set when the deadline passed first.
  bool ReadExactly(char* out, std::size_t n, std::chrono::steady_clock::time_point deadline,
                   bool& timedOut);

  std::unique_ptr<TPipes> FPipes;
  std::optional<int> FStatus;
};

// Describes an exit status for people: "exit code 0", "killed by signal 9".
std::string DescribeExit(int status);

// "ferolant" in the folder of the running executable: the host built with the tools.
std::string DefaultHostPath();

}  // namespace ferolant::client
