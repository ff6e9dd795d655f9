// Streams over the process's standard input and output handles.
//
// Freeing a stream leaves its handle open. An absent or invalid handle still
// gives a stream: its reads return 0 and its writes fail. A write to a pipe
// whose reader has gone away fails; it never ends the process.
#pragma once

#include <memory>

#include "platform/byte_stream.h"

namespace platform {

std::unique_ptr<IByteStream> OpenStandardInput();
std::unique_ptr<IByteStream> OpenStandardOutput();

}  // namespace platform
