#include "tools/client/host_process.h"

#include "tools/client/frame.h"

// The platform parts (starting the process, the pipes, waiting) live in posix/host_process.cpp
// and win32/host_process.cpp; framing on top of them is the same everywhere.

namespace ferolant::client {

bool THostProcess::WriteFrame(std::string_view body) {
  return WriteRaw(EncodeFrameHeader(body.size())) && WriteRaw(body);
}

THostProcess::TReadStatus THostProcess::ReadFrame(std::string& body,
                                                  std::chrono::milliseconds timeout) {
  body.clear();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  char header[4];
  bool timedOut = false;
  if (!ReadExactly(header, 4, deadline, timedOut)) {
    return timedOut ? TReadStatus::TimedOut : TReadStatus::Closed;
  }
  const std::uint32_t length = DecodeFrameHeader(header);
  if (length > kMaxFrame) return TReadStatus::TooLong;
  body.resize(length);
  if (!ReadExactly(body.data(), length, deadline, timedOut)) {
    return timedOut ? TReadStatus::TimedOut : TReadStatus::Truncated;
  }
  return TReadStatus::Frame;
}

bool THostProcess::ReadExactly(char* out, std::size_t n,
                               std::chrono::steady_clock::time_point deadline, bool& timedOut) {
  for (std::size_t got = 0; got < n;) {
    const std::size_t read = ReadSome(out + got, n - got, deadline, timedOut);
    if (read == 0) return false;
    got += read;
  }
  return true;
}

}  // namespace ferolant::client
