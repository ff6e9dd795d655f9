#include "platform/posix/headless_controls.h"

#include <stdexcept>

void TMemoryLogControl::SaveToFile(const std::string& /*fileName*/) {
  // The headless log has no rich-text writer of its own yet.
  throw std::runtime_error("Failed to Save Stream");
}
