#include "platform/standard_handles.h"

#include "platform/win32/handle_stream.h"

namespace platform {

// The handles as the browser passed them: a GUI process started with pipes has them, one
// started without has none, and its streams then read nothing and write nothing.
std::unique_ptr<IByteStream> OpenStandardInput() {
  return std::make_unique<THandleStream>(GetStdHandle(STD_INPUT_HANDLE));
}

std::unique_ptr<IByteStream> OpenStandardOutput() {
  return std::make_unique<THandleStream>(GetStdHandle(STD_OUTPUT_HANDLE));
}

}  // namespace platform
