// The worker's two streams and where it gets them from.
#pragma once

#include <functional>
#include <memory>

#include "platform/byte_stream.h"

struct TStreamPair {
  std::unique_ptr<platform::IByteStream> Input;
  std::unique_ptr<platform::IByteStream> Output;
};

// Called once by the worker when its read loop starts. Tests and fuzzers pass
// in-memory streams; the host passes OpenStandardStreams.
using TStreamFactory = std::function<TStreamPair()>;

// Streams over the process's standard input and output.
TStreamPair OpenStandardStreams();
