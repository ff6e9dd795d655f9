// The incoming Native Messaging frame: 4-byte little-endian length, then the
// body. The counterpart of frame_writer.h.
#pragma once

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

// Reads one header from input and then the body it announces into body,
// which is emptied first (a short header or the end of the input leaves it
// as it was). A header that arrives in pieces is joined: a pipe hands a large
// write on in parts, so a header may start at the end of one read and end in
// the next, and dropping its first part would leave every later frame out of
// step. The body is read in pieces of at most 1024 bytes, one character per
// byte. Without a stream the input has ended.
TFrameRead ReadFrame(IByteStream* input, std::string& body);
