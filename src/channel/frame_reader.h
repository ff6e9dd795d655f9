// The incoming Native Messaging frame: 4-byte little-endian length, then the
// body. The counterpart of frame_writer.h.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/byte_stream.h"

enum class TFrameRead {
  // A header and the whole body it announced (a length of zero or less
  // announces none).
  Frame,
  // A header, then the end of the input before the whole body: the body holds
  // what arrived, and nothing more will.
  FrameCut,
  // 1 to 3 bytes of a header, then the end of the input: they are dropped.
  ShortHeader,
  // Nothing where a header should be: the input has ended or failed.
  EndOfInput,
};

// Reads frames one after another from one input through a buffer of its own.
// A browser writes each message, header and body, in one write, so a frame
// usually costs one read of the input; frames that arrive together are taken
// from the buffer without reading at all. Only one reader may read an input.
class TFrameReader {
 public:
  // Every read of the input asks for this many bytes.
  static constexpr std::size_t kBufferSize = 64 * 1024;

  // Without an input every frame is the end of the input.
  explicit TFrameReader(platform::IByteStream* input) noexcept : FInput(input) {}

  // Reads one header and then the body it announces into body, which is
  // emptied first (a short header or the end of the input leaves it as it
  // was). A header that arrives in pieces is joined: a pipe hands a large
  // write on in parts, so a header may start at the end of one read and end
  // in the next, and dropping its first part would leave every later frame
  // out of step. Bytes are kept one character per byte. The length field is
  // not trusted with memory: what a body reserves up front is limited, so a
  // header that announces 2 GiB followed by little data costs little.
  TFrameRead Next(std::string& body);

 private:
  std::size_t Buffered() const noexcept { return FEnd - FBegin; }
  // Reads more after what the buffer holds; false at the end of the input.
  bool Fill() noexcept;

  platform::IByteStream* FInput;
  std::unique_ptr<char[]> FBuffer;
  std::size_t FBegin = 0;
  std::size_t FEnd = 0;
};
