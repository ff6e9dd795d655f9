#include "host_process.h"

#include "frame.h"

// The platform parts (starting the process, the pipes, waiting) live in host_process_posix.cpp
// and host_process_win32.cpp; framing on top of them is the same everywhere.

namespace ferolant::client {

bool HostProcess::WriteFrame(std::string_view body) {
  return WriteRaw(EncodeFrameHeader(body.size())) && WriteRaw(body);
}

HostProcess::ReadStatus HostProcess::ReadFrame(std::string& body,
                                               std::chrono::milliseconds timeout) {
  body.clear();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  char header[4];
  bool timed_out = false;
  if (!ReadExactly(header, 4, deadline, timed_out)) {
    return timed_out ? ReadStatus::kTimedOut : ReadStatus::kClosed;
  }
  const std::uint32_t length = DecodeFrameHeader(header);
  if (length > kMaxFrame) return ReadStatus::kTooLong;
  body.resize(length);
  if (!ReadExactly(body.data(), length, deadline, timed_out)) {
    return timed_out ? ReadStatus::kTimedOut : ReadStatus::kTruncated;
  }
  return ReadStatus::kFrame;
}

}  // namespace ferolant::client
