// The label and the log of a headless form: their designs and the log's lines
// are kept as state that tests can read.
#pragma once

#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/log_control.h"

namespace platform {

class THeadlessLabel final : public ILabel {
 public:
  explicit THeadlessLabel(TLabelDesign design) : FDesign(std::move(design)) {}
  const TLabelDesign& Design() const noexcept override { return FDesign; }

 private:
  TLabelDesign FDesign;
};

class TMemoryLogControl final : public ILogControl {
 public:
  explicit TMemoryLogControl(TLogControlDesign design) : FDesign(design) {}

  void AppendLine(const std::string& line) override { FLines.push_back(line); }
  std::vector<std::string> Lines() const override { return FLines; }
  void SaveToFile(const std::string& fileName) override;
  const TLogControlDesign& Design() const noexcept override { return FDesign; }

 private:
  TLogControlDesign FDesign;
  std::vector<std::string> FLines;
};

}  // namespace platform
