#pragma once
// Files named by a page: opened once with a clear sentence for every way that fails, then read
// as a stream so that their size never becomes memory.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "signer/status.h"

namespace tavrin {

class TFileSource {
 public:
  // Opens the regular file at `path` (UTF-8); `outcome` says why not.
  TFileSource(const std::string& path, TOutcome& outcome);
  ~TFileSource();
  TFileSource(const TFileSource&) = delete;
  TFileSource& operator=(const TFileSource&) = delete;

  std::uint64_t Size() const noexcept { return FSize; }
  // Which file it is (device and inode), whatever name it was opened by.
  std::pair<std::uint64_t, std::uint64_t> Identity() const noexcept { return FIdentity; }
  // False when the file's size, times or identity moved since it was opened: its content may
  // then differ from what was read.
  bool Unchanged() const noexcept;
  // Hands the content to `consume` piece by piece, from the start.
  TOutcome Read(const std::function<void(std::string_view)>& consume);

 private:
  std::string FPath;
  int FFd = -1;
  std::uint64_t FSize = 0;
  std::pair<std::uint64_t, std::uint64_t> FIdentity;
  std::int64_t FModified[4] = {};  // st_mtim and st_ctim, seconds and nanoseconds
};

}  // namespace tavrin
