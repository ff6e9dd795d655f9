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

class FileSource {
 public:
  // Opens the regular file at `path` (UTF-8); `outcome` says why not.
  FileSource(const std::string& path, Outcome& outcome);
  ~FileSource();
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::uint64_t Size() const noexcept { return size_; }
  // Which file it is (device and inode), whatever name it was opened by.
  std::pair<std::uint64_t, std::uint64_t> Identity() const noexcept { return identity_; }
  // False when the file's size, times or identity moved since it was opened: its content may
  // then differ from what was read.
  bool Unchanged() const noexcept;
  // Hands the content to `consume` piece by piece, from the start.
  Outcome Read(const std::function<void(std::string_view)>& consume);

 private:
  std::string path_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::pair<std::uint64_t, std::uint64_t> identity_;
  std::int64_t modified_[4] = {};  // st_mtim and st_ctim, seconds and nanoseconds
};

}  // namespace tavrin
