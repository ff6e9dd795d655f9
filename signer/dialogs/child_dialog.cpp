#include "signer/dialogs/child_dialog.h"

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <openssl/crypto.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
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
constexpr std::size_t kReadPiece = 512;

// What a GTK window needs from the host's environment. Everything else (the browser's own
// variables, LD_PRELOAD, GTK_MODULES, tokens' configuration) stays with the host.
constexpr std::string_view kPassedVariables[] = {
    "DISPLAY",
    "WAYLAND_DISPLAY",
    "XAUTHORITY",
    "XDG_RUNTIME_DIR",
    "XDG_SESSION_TYPE",
    "XDG_CURRENT_DESKTOP",
    "XDG_DATA_DIRS",
    "XDG_DATA_HOME",
    "XDG_CONFIG_HOME",
    "XDG_CONFIG_DIRS",
    "XDG_CACHE_HOME",
    "DBUS_SESSION_BUS_ADDRESS",
    "HOME",
    "USER",
    "LOGNAME",
    "LANG",
    "LANGUAGE",
    "LC_ALL",
    "LC_MESSAGES",
    "LC_CTYPE",
    "LC_NUMERIC",
    "LC_TIME",
    "LC_COLLATE",
    "GTK_THEME",
    "GDK_BACKEND",
    "GDK_SCALE",
    "GDK_DPI_SCALE",
    "NO_AT_BRIDGE",
};
constexpr std::string_view kPath = "PATH=/usr/bin:/bin";

class TPipe {
 public:
  TPipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) == 0) {
      FRead = fds[0];
      FWrite = fds[1];
    }
  }
  ~TPipe() {
    CloseRead();
    CloseWrite();
  }
  TPipe(const TPipe&) = delete;
  TPipe& operator=(const TPipe&) = delete;

  bool Valid() const noexcept { return FRead >= 0 && FWrite >= 0; }
  int Read() const noexcept { return FRead; }
  int Write() const noexcept { return FWrite; }
  void CloseRead() noexcept { Close(FRead); }
  void CloseWrite() noexcept { Close(FWrite); }

 private:
  static void Close(int& fd) noexcept {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  int FRead = -1;
  int FWrite = -1;
};

// zenity reads its arguments in the locale's character set, and the texts are UTF-8. A locale
// that is not installed, or not UTF-8, would turn every accented letter into an error, so then
// the dialog runs in C.UTF-8: the texts still come in the person's language, chosen by name.
bool LocaleIsUtf8() {
  const locale_t own = ::newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  if (own == static_cast<locale_t>(0)) return false;
  const bool utf8 = std::string_view(::nl_langinfo_l(CODESET, own)) == "UTF-8";
  ::freelocale(own);
  return utf8;
}

// The child between fork and exec: only calls that are safe in a copy of a threaded process.
// It dies with the thread that started it, so a host that dies takes its dialog along.
[[noreturn]] void BecomeDialog(char* const* argv, char* const* envp, int outFd, int errFd,
                               int reportFd, pid_t parent) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(127);
  // The host ignores SIGPIPE and its worker may block signals; the dialog starts with neither.
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  ::sigaction(SIGPIPE, &standard, nullptr);
  ::sigaction(SIGCHLD, &standard, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  const int input = ::open("/dev/null", O_RDONLY);
  if (input < 0 || ::dup2(input, 0) < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0) {
    ::_exit(127);
  }
  // Everything above 2 closes at exec, the report pipe with it.
  constexpr unsigned kCloseRangeCloexec = 1u << 2;
  ::syscall(SYS_close_range, 3u, ~0u, kCloseRangeCloexec);
  ::execve(argv[0], argv, envp);
  const int error = errno;
  [[maybe_unused]] const ssize_t ignored = ::write(reportFd, &error, sizeof error);
  ::_exit(127);
}

// Waits for the child; its status counts only when waitpid really returned it.
int ExitCodeOf(pid_t pid) noexcept {
  int status = 0;
  pid_t waited;
  while ((waited = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  if (waited != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A read buffer in memory that stays out of core dumps, wiped when it goes.
class TReadBuffer {
 public:
  TReadBuffer() : FData(static_cast<char*>(OPENSSL_secure_malloc(kReadPiece))) {}
  ~TReadBuffer() { OPENSSL_secure_clear_free(FData, kReadPiece); }
  TReadBuffer(const TReadBuffer&) = delete;
  TReadBuffer& operator=(const TReadBuffer&) = delete;
  char* Get() const noexcept { return FData; }

 private:
  char* FData;
};

using TOutputSink = std::function<void(const char* data, std::size_t size)>;

TChildOutcome Run(const std::vector<std::string>& argv, const TOutputSink& sink,
                  const std::vector<std::string>& extraEnvironment) {
  EnsureSecureHeap();
  TChildOutcome outcome;
  TPipe out;
  TPipe err;
  TPipe report;
  TReadBuffer buffer;
  if (argv.empty() || !out.Valid() || !err.Valid() || !report.Valid() || buffer.Get() == nullptr) {
    return outcome;
  }
  std::vector<std::string> environment = DialogEnvironment(environ);
  environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) return outcome;
  if (pid == 0) {
    BecomeDialog(args.data(), envp.data(), out.Write(), err.Write(), report.Write(), parent);
  }
  out.CloseWrite();
  err.CloseWrite();
  report.CloseWrite();
  int execError = 0;
  ssize_t reported;
  while ((reported = ::read(report.Read(), &execError, sizeof execError)) < 0 && errno == EINTR) {
  }
  if (reported > 0) {
    ExitCodeOf(pid);
    return outcome;
  }
  outcome.Started = true;

  // The host's standard input is watched for its end only (no events asked for, so nothing is
  // read from it): when the browser goes away, so does the dialog.
  std::array<pollfd, 3> fds{{{out.Read(), POLLIN, 0}, {err.Read(), POLLIN, 0}, {0, 0, 0}}};
  int open = 2;
  bool abandoned = false;
  while (open > 0 && !abandoned) {
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      abandoned = true;
      break;
    }
    if (fds[2].revents & (POLLHUP | POLLERR)) {
      abandoned = true;
      break;
    }
    if (fds[2].revents & POLLNVAL) fds[2].fd = -1;
    for (std::size_t i = 0; i < 2; ++i) {
      pollfd& p = fds[i];
      if (p.fd < 0 || p.revents == 0) continue;
      const ssize_t n = ::read(p.fd, buffer.Get(), kReadPiece);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        p.fd = -1;
        --open;
        continue;
      }
      const auto size = static_cast<std::size_t>(n);
      if (i == 0) {
        sink(buffer.Get(), size);
      } else {
        outcome.ErrorTail.append(buffer.Get(), size);
        if (outcome.ErrorTail.size() > kErrorTailLimit) {
          outcome.ErrorTail.erase(0, outcome.ErrorTail.size() - kErrorTailLimit);
        }
      }
    }
  }
  if (abandoned) ::kill(pid, SIGKILL);
  const int exitCode = ExitCodeOf(pid);
  outcome.ExitCode = abandoned ? -1 : exitCode;
  return outcome;
}

}  // namespace

std::vector<std::string> DialogEnvironment(char* const* environment) {
  std::vector<std::string> kept;
  const bool utf8 = LocaleIsUtf8();
  for (char* const* e = environment; e != nullptr && *e != nullptr; ++e) {
    const std::string_view entry(*e);
    const std::string_view name = entry.substr(0, entry.find('='));
    if (name.size() == entry.size()) continue;
    if (!utf8 && name == "LC_ALL") continue;
    for (const std::string_view passed : kPassedVariables) {
      if (name == passed) {
        kept.emplace_back(entry);
        break;
      }
    }
  }
  kept.emplace_back(kPath);
  if (!utf8) kept.emplace_back("LC_ALL=C.UTF-8");
  return kept;
}

TChildOutcome RunDialog(const std::vector<std::string>& argv, TSecret& output,
                        const std::vector<std::string>& extraEnvironment) {
  // The line feed that ends the answer is only known at the end, so each piece is held back by
  // one byte; the held byte lives in this frame and is wiped with it.
  char held = 0;
  bool holding = false;
  TChildOutcome outcome = Run(
      argv,
      [&](const char* data, std::size_t size) {
        if (holding) output.Append(std::string_view(&held, 1));
        output.Append(std::string_view(data, size - 1));
        held = data[size - 1];
        holding = true;
      },
      extraEnvironment);
  if (holding && held != '\n') output.Append(std::string_view(&held, 1));
  ::explicit_bzero(&held, sizeof held);
  return outcome;
}

TChildOutcome RunDialog(const std::vector<std::string>& argv, std::string& output,
                        const std::vector<std::string>& extraEnvironment) {
  TChildOutcome outcome = Run(
      argv, [&](const char* data, std::size_t size) { output.append(data, size); },
      extraEnvironment);
  if (!output.empty() && output.back() == '\n') output.pop_back();
  return outcome;
}

}  // namespace tavrin::dialogs
