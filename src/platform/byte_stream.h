// A byte stream over an operating-system handle.
//
// The worker reads and writes the standard handles through this interface so
// that tests and fuzzers can put in-memory streams in their place.
#pragma once

#include <cstdint>

namespace platform {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class IByteStream {
 public:
  virtual ~IByteStream() = default;

  // Reads up to count bytes into buffer and returns how many were read. Waits
  // until at least one byte is there; 0 means end of input or a failed read
  // (the reader has no use for telling them apart).
  virtual std::int32_t Read(void* buffer, std::int32_t count) noexcept = 0;

  // Writes count bytes and returns how many were written, 0 on failure. A
  // count below 1 writes nothing.
  virtual std::int32_t Write(const void* buffer, std::int32_t count) noexcept = 0;

  // Writes a short header and then count bytes of body; how many bytes of the
  // body were written (the header's own result is not reported). A handle
  // that can gathers both into one write, so that the reader on the other
  // side wakes once for the pair.
  virtual std::int32_t WriteWithHeader(const void* header, std::int32_t headerCount,
                                       const void* body, std::int32_t count) noexcept {
    Write(header, headerCount);
    return Write(body, count);
  }

  // The new position, or -1 when the handle cannot seek (a pipe, a terminal).
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) noexcept = 0;

 protected:
  IByteStream() = default;
  IByteStream(const IByteStream&) = default;
  IByteStream& operator=(const IByteStream&) = default;
};

}  // namespace platform
