#include "platform/executable_path.h"

#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <string_view>

namespace platform {

namespace {

// The file name the kernel was asked to execute (not argv[0], which the
// starter may set to anything), made absolute, when it names the executable
// file itself. Reading the kernel's link under /proc costs tens of
// microseconds at every start, this one status query; a name that is a link
// itself (or /dev/fd/N from fexecve) is left to the kernel's link, so that
// files next to the real executable are found, not files next to a link.
std::optional<std::string> StartedName() {
  const auto name = reinterpret_cast<const char*>(::getauxval(AT_EXECFN));
  if (name == nullptr || *name == '\0') return std::nullopt;
  struct stat status {};
  if (::lstat(name, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  if (*name == '/') return std::string(name);
  std::string_view relative = name;
  while (relative.starts_with("./")) relative.remove_prefix(2);
  // Relative to the folder the program was started in, which nothing has
  // changed yet at this point of the start.
  std::string path(4096, '\0');
  if (::getcwd(path.data(), path.size()) == nullptr || path[0] != '/') return std::nullopt;
  path.resize(std::strlen(path.c_str()));
  if (path.back() != '/') path += '/';
  return path.append(relative);
}

// The link the kernel keeps to the running executable, read straight.
std::optional<std::string> LinkedName() {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
    if (length < 0) return std::nullopt;
    // A target that fills the buffer may have been cut short: read it again into more room.
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      break;
    }
    if (target.size() >= 65536) return std::nullopt;
    target.resize(target.size() * 2);
  }
  if (target.empty() || target.front() != '/') return std::nullopt;
  return target;
}

std::optional<std::string> ExecutableName() {
  std::optional<std::string> path = StartedName();
  return path ? path : LinkedName();
}

}  // namespace

std::optional<std::filesystem::path> ExecutablePath() {
  std::optional<std::string> path = ExecutableName();
  if (!path) return std::nullopt;
  return std::filesystem::path(std::move(*path));
}

std::optional<TNativePath> PathBesideExecutable(const TNativePath& name) {
  std::optional<std::string> path = ExecutableName();
  if (!path) return std::nullopt;
  // Both names are absolute: there is a slash, at worst the leading one.
  path->resize(path->rfind('/') + 1);
  return path->append(name);
}

}  // namespace platform
