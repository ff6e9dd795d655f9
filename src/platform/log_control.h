// The main form's rich-text log: a growing list of narrow lines (in the ANSI
// code page of the log's texts, Windows-1250). Touch it on the main thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/controls.h"

namespace platform {

class ILogControl {
 public:
  virtual ~ILogControl() = default;

  virtual void AppendLine(const std::string& line) = 0;
  virtual std::vector<std::string> Lines() const = 0;

  // Replaces the file with the whole log as a Rich Text Format document.
  // Throws std::runtime_error with the reason when the file cannot be written.
  virtual void SaveToFile(const std::string& fileName) = 0;

  virtual const TLogControlDesign& Design() const noexcept = 0;

 protected:
  ILogControl() = default;
  ILogControl(const ILogControl&) = default;
  ILogControl& operator=(const ILogControl&) = default;
};

}  // namespace platform
