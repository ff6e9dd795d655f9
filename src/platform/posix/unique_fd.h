// Owns a POSIX file descriptor.
#pragma once

#include <unistd.h>

#include <utility>

namespace platform {

class TUniqueFd {
 public:
  TUniqueFd() noexcept = default;
  explicit TUniqueFd(int fd) noexcept : FFd(fd) {}
  TUniqueFd(TUniqueFd&& other) noexcept : FFd(std::exchange(other.FFd, -1)) {}
  TUniqueFd& operator=(TUniqueFd&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.FFd, -1));
    return *this;
  }
  ~TUniqueFd() { Reset(); }

  int Get() const noexcept { return FFd; }
  explicit operator bool() const noexcept { return FFd >= 0; }
  void Reset(int fd = -1) noexcept {
    if (FFd >= 0) ::close(FFd);
    FFd = fd;
  }

 private:
  int FFd = -1;
};

}  // namespace platform
