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

TOutcome Unreadable(const std::string& path, const std::string& why) {
  return TOutcome::Fail(TStatus::UnreadableFile,
                        "The file \"" + path + "\" cannot be read: " + why);
}

}  // namespace

TFileSource::TFileSource(const std::string& path, TOutcome& outcome) : FPath(path) {
  if (path.empty()) {
    outcome = TOutcome::Fail(TStatus::NothingGiven, "No file name was given");
    return;
  }
  if (path.find('\0') != std::string::npos) {
    outcome = Unreadable(path, "the name holds a zero character");
    return;
  }
  FFd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (FFd < 0) {
    outcome = errno == ENOENT ? Unreadable(path, "it does not exist")
                              : Unreadable(path, std::strerror(errno));
    return;
  }
  struct stat info {};
  if (fstat(FFd, &info) != 0 || !S_ISREG(info.st_mode)) {
    outcome =
        Unreadable(path, S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file");
    return;
  }
  FSize = static_cast<std::uint64_t>(info.st_size);
  FIdentity = {info.st_dev, info.st_ino};
  TimesOf(info, FModified);
  posix_fadvise(FFd, 0, 0, POSIX_FADV_SEQUENTIAL);
  outcome = TOutcome::Ok();
}

TFileSource::~TFileSource() {
  if (FFd >= 0) close(FFd);
}

bool TFileSource::Unchanged() const noexcept {
  struct stat info {};
  if (fstat(FFd, &info) != 0) return false;
  std::int64_t times[4];
  TimesOf(info, times);
  return static_cast<std::uint64_t>(info.st_size) == FSize &&
         std::pair<std::uint64_t, std::uint64_t>(info.st_dev, info.st_ino) == FIdentity &&
         std::equal(std::begin(times), std::end(times), std::begin(FModified));
}

TOutcome TFileSource::Read(const std::function<void(std::string_view)>& consume) {
  if (lseek(FFd, 0, SEEK_SET) != 0) return Unreadable(FPath, std::strerror(errno));
  const auto buffer = std::make_unique<char[]>(kPiece);
  for (;;) {
    const ssize_t got = read(FFd, buffer.get(), kPiece);
    if (got > 0) {
      consume(std::string_view(buffer.get(), static_cast<std::size_t>(got)));
    } else if (got == 0) {
      return TOutcome::Ok();
    } else if (errno != EINTR) {
      return Unreadable(FPath, std::strerror(errno));
    }
  }
}

}  // namespace tavrin
