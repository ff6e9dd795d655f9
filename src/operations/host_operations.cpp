#include "operations/host_operations.h"

#include <cstdint>
#include <string>

#include "operations/WStrList.h"
#include "operations/code_page_text.h"
#include "operations/host_errors.h"
#include "platform/file_info.h"

namespace operations {

namespace {

using host_errors::kFileNotFound;
using host_errors::kFileNotPassed;
using host_errors::kUnknownMethod;

std::string TrimControlsAndBlanks(std::string text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  std::size_t end = text.size();
  while (end > 0 && blank(text[end - 1])) --end;
  std::size_t begin = 0;
  while (begin < end && blank(text[begin])) ++begin;
  return text.substr(begin, end - begin);
}

std::u16string DecimalText(std::uint64_t value) {
  std::u16string text;
  for (const char c : std::to_string(value)) text.push_back(static_cast<char16_t>(c));
  return text;
}

std::u16string FileSizeText(const std::string& name) {
  try {
    if (const auto size = platform::FindFileSize(name)) return DecimalText(*size);
  } catch (...) {
    // A size that cannot be read is reported as 0, never as an error.
  }
  return u"0";
}

}  // namespace

void DoGetNextBlock(IOperationHost& host) { host.SendReply(0, {}, {}); }

void DoNativeVersion(IOperationHost& host) {
  host.SyncFixWind();
  host.SendReply(0, {}, u"2");
}

void DoGetFileSize(IOperationHost& host) {
  host.SyncFixWind();
  const TWideStrings& params = host.Params();
  const std::string name =
      params.ItemCount() > 0 ? TrimControlsAndBlanks(WideStringToDefaultCodePage(params.GetItem(0)))
                             : std::string();

  std::int32_t errNo = 0;
  std::u16string errMsg;
  std::u16string data;
  if (name.empty()) {
    errNo = kFileNotPassed;
    errMsg = u"File not passed";
  } else if (!platform::FileExists(name)) {
    errNo = kFileNotFound;
    errMsg = u"File not found";
  } else {
    data = FileSizeText(name);
  }
  host.SendReply(errNo, std::move(errMsg), std::move(data));
}

void DoUnknownMethod(IOperationHost& host) {
  host.SendReply(kUnknownMethod, u"Unknown method name", {});
}

}  // namespace operations
