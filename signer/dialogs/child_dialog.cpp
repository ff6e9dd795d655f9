#include "signer/dialogs/child_dialog.h"

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <functional>
#include <string_view>

extern char** environ;

namespace tavrin::dialogs {

namespace {

constexpr std::size_t kErrorTailLimit = 4096;

class Pipe {
 public:
  Pipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) == 0) {
      read_ = fds[0];
      write_ = fds[1];
    }
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;

  bool Valid() const noexcept { return read_ >= 0 && write_ >= 0; }
  int Read() const noexcept { return read_; }
  int Write() const noexcept { return write_; }
  void CloseRead() noexcept { Close(read_); }
  void CloseWrite() noexcept { Close(write_); }

 private:
  static void Close(int& fd) noexcept {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  int read_ = -1;
  int write_ = -1;
};

class SpawnActions {
 public:
  SpawnActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnActions() {
    if (ok_) ::posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;

  // Standard input from /dev/null, output and errors into the pipes, nothing else open.
  bool Wire(int outFd, int errFd) {
    return ok_ && ::posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0) == 0 &&
           ::posix_spawn_file_actions_adddup2(&actions_, outFd, 1) == 0 &&
           ::posix_spawn_file_actions_adddup2(&actions_, errFd, 2) == 0 &&
           ::posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
  }
  const posix_spawn_file_actions_t* Get() const noexcept { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
  bool ok_ = false;
};

// The host ignores SIGPIPE and its worker may block signals; the dialog starts with neither.
class SpawnAttributes {
 public:
  SpawnAttributes() {
    ok_ = ::posix_spawnattr_init(&attributes_) == 0;
    sigset_t none;
    sigset_t pipe;
    sigemptyset(&none);
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    ok_ = ok_ && ::posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
          ::posix_spawnattr_setsigdefault(&attributes_, &pipe) == 0 &&
          ::posix_spawnattr_setflags(&attributes_,
                                     POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
  }
  ~SpawnAttributes() { ::posix_spawnattr_destroy(&attributes_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;

  bool Valid() const noexcept { return ok_; }
  const posix_spawnattr_t* Get() const noexcept { return &attributes_; }

 private:
  posix_spawnattr_t attributes_{};
  bool ok_ = false;
};

// zenity reads its arguments in the locale's character set, and the texts are UTF-8. A locale
// that is not installed, or not UTF-8, would turn every accented letter into an error, so then
// the dialog runs in C.UTF-8: the texts still come in the person's language, chosen by name.
class ChildEnvironment {
 public:
  ChildEnvironment() {
    if (LocaleIsUtf8()) return;
    for (char** e = environ; *e != nullptr; ++e) {
      if (std::string_view(*e).starts_with("LC_ALL=")) continue;
      pointers_.push_back(*e);
    }
    pointers_.push_back(const_cast<char*>("LC_ALL=C.UTF-8"));
    pointers_.push_back(nullptr);
  }
  char* const* Get() const noexcept { return pointers_.empty() ? environ : pointers_.data(); }

 private:
  static bool LocaleIsUtf8() {
    const locale_t own = ::newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
    if (own == static_cast<locale_t>(0)) return false;
    const bool utf8 = std::string_view(::nl_langinfo_l(CODESET, own)) == "UTF-8";
    ::freelocale(own);
    return utf8;
  }
  std::vector<char*> pointers_;
};

using OutputSink = std::function<void(const char* data, std::size_t size)>;

ChildOutcome Run(const std::vector<std::string>& argv, const OutputSink& sink) {
  ChildOutcome outcome;
  Pipe out;
  Pipe err;
  SpawnActions actions;
  SpawnAttributes attributes;
  const ChildEnvironment environment;
  if (argv.empty() || !out.Valid() || !err.Valid() || !attributes.Valid() ||
      !actions.Wire(out.Write(), err.Write())) {
    return outcome;
  }
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  pid_t pid = 0;
  if (::posix_spawn(&pid, args[0], actions.Get(), attributes.Get(), args.data(),
                    environment.Get()) != 0) {
    return outcome;
  }
  outcome.started = true;
  out.CloseWrite();
  err.CloseWrite();

  std::array<pollfd, 2> fds{{{out.Read(), POLLIN, 0}, {err.Read(), POLLIN, 0}}};
  std::array<char, 512> buffer;
  int open = 2;
  while (open > 0) {
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (pollfd& p : fds) {
      if (p.fd < 0 || p.revents == 0) continue;
      const ssize_t n = ::read(p.fd, buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        p.fd = -1;
        --open;
        continue;
      }
      const auto size = static_cast<std::size_t>(n);
      if (p.fd == out.Read()) {
        sink(buffer.data(), size);
      } else {
        outcome.errorTail.append(buffer.data(), size);
        if (outcome.errorTail.size() > kErrorTailLimit) {
          outcome.errorTail.erase(0, outcome.errorTail.size() - kErrorTailLimit);
        }
      }
    }
  }
  ::explicit_bzero(buffer.data(), buffer.size());

  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

}  // namespace

ChildOutcome RunDialog(const std::vector<std::string>& argv, Secret& output) {
  // The line feed that ends the answer is only known at the end, so each piece is held back by
  // one byte; the held byte lives in this frame and is wiped with it.
  char held = 0;
  bool holding = false;
  ChildOutcome outcome = Run(argv, [&](const char* data, std::size_t size) {
    if (holding) output.Append(std::string_view(&held, 1));
    output.Append(std::string_view(data, size - 1));
    held = data[size - 1];
    holding = true;
  });
  if (holding && held != '\n') output.Append(std::string_view(&held, 1));
  ::explicit_bzero(&held, sizeof held);
  return outcome;
}

ChildOutcome RunDialog(const std::vector<std::string>& argv, std::string& output) {
  ChildOutcome outcome =
      Run(argv, [&](const char* data, std::size_t size) { output.append(data, size); });
  if (!output.empty() && output.back() == '\n') output.pop_back();
  return outcome;
}

}  // namespace tavrin::dialogs
