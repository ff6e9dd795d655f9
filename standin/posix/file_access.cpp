#include "standin/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "text/utf8_codec.h"

namespace standin {

std::optional<std::string> ReadWholeFile(std::u16string_view fileName) {
  // File names on this platform are bytes, which the host hands over as UTF-8.
  const std::string path = EncodeUtf8(fileName, TUtf8Mode::umEscapeBytes);
  if (path.find('\0') != std::string::npos) return std::nullopt;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::optional<std::string> content;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
      const ssize_t got = read(fd, buffer, sizeof buffer);
      if (got > 0) {
        bytes.append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0) {
        content = std::move(bytes);
        break;
      } else if (errno != EINTR) {
        break;
      }
    }
  }
  close(fd);
  return content;
}

}  // namespace standin
