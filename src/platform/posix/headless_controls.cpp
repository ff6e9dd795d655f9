#include "platform/posix/headless_controls.h"

#include <stdexcept>

#include "platform/rtf_log.h"

namespace platform {

void TMemoryLogControl::SaveToFile(const std::string& fileName) {
  const std::string error = platform::SaveRtfLog(fileName, FLines);
  if (!error.empty()) throw std::runtime_error(error);
}

}  // namespace platform
