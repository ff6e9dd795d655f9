#include "platform/rtf_log.h"

#include "platform/win32/log_file.h"

namespace platform {

std::string LogFileName() { return "c:\\tmp\\Ferolant.log"; }

std::string SaveRtfLog(const std::string& fileName, std::span<const std::string> lines) {
  std::string error;
  win32::TUniqueHandle file = win32::CreateLogFile(fileName, error);
  if (!file) return error;
  const std::string document = RtfLogDocument(lines);
  if (!win32::WriteAllBytes(file.Get(), document.data(), document.size()) || !file.Reset()) {
    return "Failed to Save Stream";
  }
  return {};
}

}  // namespace platform
