// In-memory stand-ins for the worker's standard streams.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "channel/frame_header.h"
#include "platform/byte_stream.h"

// Input that arrives in the given pieces, as reads of a pipe do: one read
// never returns bytes of two pieces. After the last piece every read returns
// 0 (end of input). Records the size asked for by every read.
class TScriptedInput final : public platform::IByteStream {
 public:
  explicit TScriptedInput(std::vector<std::string> pieces)
      : FPieces(pieces.begin(), pieces.end()) {}

  std::int32_t Read(void* buffer, std::int32_t count) noexcept override {
    Requests.push_back(count);
    if (OnRead) OnRead();
    while (!FPieces.empty() && FPieces.front().empty()) FPieces.pop_front();
    if (FPieces.empty() || count <= 0) return 0;
    std::string& piece = FPieces.front();
    const auto n = std::min<std::size_t>(piece.size(), static_cast<std::size_t>(count));
    std::memcpy(buffer, piece.data(), n);
    piece.erase(0, n);
    return static_cast<std::int32_t>(n);
  }
  std::int32_t Write(const void*, std::int32_t) noexcept override { return 0; }
  std::int64_t Seek(std::int64_t offset, platform::TSeekOrigin) noexcept override {
    Seeks.push_back(offset);
    return -1;
  }

  std::vector<std::int32_t> Requests;
  std::vector<std::int64_t> Seeks;
  std::function<void()> OnRead;

 private:
  std::deque<std::string> FPieces;
};

// Output that keeps what was written; each write may be made to fail, or to
// write only part of what it was given.
class TRecordingOutput final : public platform::IByteStream {
 public:
  std::int32_t Read(void*, std::int32_t) noexcept override { return 0; }
  std::int32_t Write(const void* buffer, std::int32_t count) noexcept override {
    if (count <= 0) return 0;
    std::int32_t n = count;
    if (WriteLimit >= 0) n = std::min(n, WriteLimit);
    Bytes.append(static_cast<const char*>(buffer), static_cast<std::size_t>(n));
    WriteSizes.push_back(count);
    return n;
  }
  std::int64_t Seek(std::int64_t, platform::TSeekOrigin) noexcept override { return -1; }

  std::string Bytes;
  std::vector<std::int32_t> WriteSizes;
  // Largest number of bytes one write accepts; -1 for no limit.
  std::int32_t WriteLimit = -1;
};

// Hands the worker a stream that the test keeps: the worker frees what it
// gets from its factory, and the test still wants to look afterwards.
class TBorrowedStream final : public platform::IByteStream {
 public:
  explicit TBorrowedStream(platform::IByteStream& stream) noexcept : FStream(stream) {}
  std::int32_t Read(void* buffer, std::int32_t count) noexcept override {
    return FStream.Read(buffer, count);
  }
  std::int32_t Write(const void* buffer, std::int32_t count) noexcept override {
    return FStream.Write(buffer, count);
  }
  std::int64_t Seek(std::int64_t offset, platform::TSeekOrigin origin) noexcept override {
    return FStream.Seek(offset, origin);
  }

 private:
  platform::IByteStream& FStream;
};

// A frame as the browser sends it: 4-byte little-endian length, then the body.
inline std::string Frame(const std::string& body) {
  return FrameHeader(static_cast<std::uint32_t>(body.size())) + body;
}
