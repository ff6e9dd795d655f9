#include "signer/file_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <memory>

namespace tavrin {

namespace {

// Large enough that the system's read-ahead and the digest run at their speed, small enough to
// be nothing beside the host.
constexpr std::size_t kPiece = 1 << 20;

void TimesOf(const struct stat& info, std::int64_t (&times)[4]) noexcept {
  times[0] = info.st_mtim.tv_sec;
  times[1] = info.st_mtim.tv_nsec;
  times[2] = info.st_ctim.tv_sec;
  times[3] = info.st_ctim.tv_nsec;
}

Outcome Unreadable(const std::string& path, const std::string& why) {
  return Outcome::Fail(Status::kUnreadableFile, "The file \"" + path + "\" cannot be read: " + why);
}

}  // namespace

FileSource::FileSource(const std::string& path, Outcome& outcome) : path_(path) {
  if (path.empty()) {
    outcome = Outcome::Fail(Status::kNothingGiven, "No file name was given");
    return;
  }
  if (path.find('\0') != std::string::npos) {
    outcome = Unreadable(path, "the name holds a zero character");
    return;
  }
  fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) {
    outcome = errno == ENOENT ? Unreadable(path, "it does not exist")
                              : Unreadable(path, std::strerror(errno));
    return;
  }
  struct stat info {};
  if (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    outcome =
        Unreadable(path, S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file");
    return;
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
  identity_ = {info.st_dev, info.st_ino};
  TimesOf(info, modified_);
  posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  outcome = Outcome::Ok();
}

FileSource::~FileSource() {
  if (fd_ >= 0) close(fd_);
}

bool FileSource::Unchanged() const noexcept {
  struct stat info {};
  if (fstat(fd_, &info) != 0) return false;
  std::int64_t times[4];
  TimesOf(info, times);
  return static_cast<std::uint64_t>(info.st_size) == size_ &&
         std::pair<std::uint64_t, std::uint64_t>(info.st_dev, info.st_ino) == identity_ &&
         std::equal(std::begin(times), std::end(times), std::begin(modified_));
}

Outcome FileSource::Read(const std::function<void(std::string_view)>& consume) {
  if (lseek(fd_, 0, SEEK_SET) != 0) return Unreadable(path_, std::strerror(errno));
  const auto buffer = std::make_unique<char[]>(kPiece);
  for (;;) {
    const ssize_t got = read(fd_, buffer.get(), kPiece);
    if (got > 0) {
      consume(std::string_view(buffer.get(), static_cast<std::size_t>(got)));
    } else if (got == 0) {
      return Outcome::Ok();
    } else if (errno != EINTR) {
      return Unreadable(path_, std::strerror(errno));
    }
  }
}

}  // namespace tavrin
