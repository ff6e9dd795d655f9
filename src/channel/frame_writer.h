// The outgoing Native Messaging frame: 4-byte little-endian length, then the body.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/byte_stream.h"

// Writes one frame, header and body in one write where the stream allows it.
// The header's result is not checked; a body that is not written whole
// raises "Stream write error".
// Without a stream nothing is written and nothing is reported.
void WriteFrame(platform::IByteStream* output, std::string_view body);
