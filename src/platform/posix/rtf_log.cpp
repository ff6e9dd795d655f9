#include "platform/rtf_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

std::string CannotCreate(const std::string& fileName, const char* reason) {
  return "Cannot create file \"" + fileName + "\". " + reason;
}

class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd) noexcept : FFd(fd) {}
  ~TFileDescriptor() {
    if (FFd >= 0) close(FFd);
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  int Get() const noexcept { return FFd; }
  // Closes now, for the error report; the destructor then has nothing left to do.
  int Close() noexcept {
    const int result = close(FFd);
    FFd = -1;
    return result;
  }

 private:
  int FFd;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

std::string LogFileName() { return "/tmp/Ferolant.log"; }

std::string SaveRtfLog(const std::string& fileName, std::span<const std::string> lines) {
  // The log sits in a folder that anyone may write to: a link planted there must not redirect
  // it (O_NOFOLLOW), a FIFO must not block it (O_NONBLOCK), and a file that someone else made
  // must not receive it.
  TFileDescriptor file(
      open(fileName.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
  if (file.Get() < 0) return CannotCreate(fileName, std::strerror(errno));
  struct stat info {};
  if (fstat(file.Get(), &info) != 0) return CannotCreate(fileName, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return CannotCreate(fileName, "Not a regular file");
  if (info.st_uid != geteuid()) return CannotCreate(fileName, std::strerror(EACCES));
  if (fchmod(file.Get(), 0600) != 0 || ftruncate(file.Get(), 0) != 0) {
    return CannotCreate(fileName, std::strerror(errno));
  }
  if (!WriteAll(file.Get(), RtfLogDocument(lines)) || file.Close() != 0) {
    return "Failed to Save Stream";
  }
  return {};
}

}  // namespace platform
