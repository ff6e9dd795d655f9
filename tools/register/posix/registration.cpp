#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "tools/register/executable.h"
#include "tools/register/manifest.h"
#include "tools/register/places.h"
#include "tools/register/registration.h"
#include "tools/register/sandbox.h"
#include "tools/register/utf8_path.h"

namespace ferolant::reg {
namespace {

namespace fs = std::filesystem;

// One manifest file to write, remove or check, and the browser that reads it.
struct Target {
  Browser browser;
  fs::path file;
};

// Where the manifest goes; every browser's place is known before anything is written.
std::optional<fs::path> Folder(Browser browser, bool system, const Options& options) {
  // A Chromium-family browser started with --user-data-dir looks there first.
  if (options.user_data_dir) {
    return fs::absolute(*options.user_data_dir).lexically_normal() / "NativeMessagingHosts";
  }
  if (options.folder) return fs::absolute(*options.folder).lexically_normal();
  return ManifestFolder(browser, system);
}

// The browsers asked for; "all" adds the sandboxed installs that are found.
std::vector<Browser> Browsers(const Options& options) {
  std::vector<Browser> browsers = options.browsers;
  if (options.all_browsers && !options.user_data_dir) {
    for (const Installed& found : FindInstalled()) {
      if (IsSandboxed(found.browser)) browsers.push_back(found.browser);
    }
  }
  return browsers;
}

// skip_missing: leave out the browsers without such a folder rather than refuse them.
std::vector<Target> Targets(const Options& options, bool system, bool skip_missing) {
  std::vector<Target> targets;
  for (Browser b : Browsers(options)) {
    const std::optional<fs::path> folder = Folder(b, system, options);
    if (!folder) {
      if (skip_missing) continue;
      throw UsageError(std::string(BrowserName(b)) +
                       " has no system-wide folder: register it for each user, without --system");
    }
    targets.push_back({b, *folder / (options.name + ".json")});
  }
  return targets;
}

// Opera reads Chrome's folder, and every Firefox the same one: a file already handled once.
bool Repeated(const std::vector<Target>& targets, std::size_t i) {
  for (std::size_t j = 0; j < i; ++j) {
    if (targets[j].file == targets[i].file) return true;
  }
  return false;
}

void PrintSandbox(Browser browser, const std::string& name, std::ostream& out) {
  for (const std::string& line : CheckSandbox(SandboxOf(browser), name).lines) {
    out << std::string(17, ' ') << line << "\n";
  }
}

// Owns a temporary file name until it is renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const fs::path& folder) : name_((folder / ".ferolant-XXXXXX").string()) {
    fd_ = ::mkstemp(name_.data());
    if (fd_ < 0) throw fs::filesystem_error("mkstemp", folder, {errno, std::generic_category()});
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!name_.empty()) ::unlink(name_.c_str());
  }

  void Write(const std::string& text, mode_t mode) {
    for (std::size_t done = 0; done < text.size();) {
      const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) Fail("write");
      done += static_cast<std::size_t>(n);
    }
    // Readable by the browsers of every user, whatever the umask.
    if (::fchmod(fd_, mode) != 0) Fail("chmod");
    if (::close(std::exchange(fd_, -1)) != 0) Fail("close");
  }

  void RenameTo(const fs::path& target) {
    fs::rename(name_, target);
    name_.clear();
  }

 private:
  [[noreturn]] void Fail(const char* what) {
    throw fs::filesystem_error(what, fs::path(name_), {errno, std::generic_category()});
  }

  std::string name_;
  int fd_ = -1;
};

// A reader never sees half a manifest: the new one replaces the old in one rename.
void WriteAtomically(const fs::path& target, const std::string& text, mode_t mode = 0644) {
  fs::create_directories(target.parent_path());
  TemporaryFile file(target.parent_path());
  file.Write(text, mode);
  file.RenameTo(target);
}

}  // namespace

int Install(const Options& options, const Registration& registration, std::ostream& out) {
  const fs::path host = PathFromUtf8(registration.path);
  std::error_code ec;
  if (!fs::is_regular_file(host, ec) || !IsExecutable(host)) {
    throw UsageError(registration.path +
                     " is not an executable file (build the host, or give --path)");
  }
  const std::vector<Target> targets = Targets(options, options.system, options.all_browsers);
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const auto& [b, target] = targets[i];
    const std::string head = Column(BrowserName(b), 9);
    if (Repeated(targets, i)) {
      out << head << " reads " << target.string() << " too\n";
    } else if (const Sandbox sandbox = SandboxOf(b); sandbox.kind == SandboxKind::kFlatpakSpawn) {
      const fs::path script = SpawnScriptPath(sandbox, options.name);
      WriteAtomically(script, SpawnScriptText(registration.path), 0755);
      Registration inside = registration;
      inside.path = Utf8FromPath(script);
      WriteAtomically(target, ManifestText(b, inside));
      out << head << " wrote " << target.string() << "\n"
          << std::string(17, ' ') << "and " << script.string() << ", which it starts\n";
    } else {
      WriteAtomically(target, ManifestText(b, registration));
      out << head << " wrote " << target.string() << "\n";
    }
    if (IsSandboxed(b)) PrintSandbox(b, options.name, out);
  }
  return 0;
}

int Remove(const Options& options, const Registration&, std::ostream& out) {
  const std::vector<Target> targets = Targets(options, options.system, options.all_browsers);
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const auto& [b, target] = targets[i];
    if (Repeated(targets, i)) continue;
    if (const Sandbox sandbox = SandboxOf(b); sandbox.kind == SandboxKind::kFlatpakSpawn) {
      fs::remove(SpawnScriptPath(sandbox, options.name));
    }
    out << Column(BrowserName(b), 9) << (fs::remove(target) ? " removed " : " nothing at ")
        << target.string() << "\n";
  }
  return 0;
}

namespace {

void PrintInstalled(std::ostream& out) {
  const std::vector<Installed> found = FindInstalled();
  if (found.empty()) out << "installed: none of the browsers this program knows was found\n";
  for (const Installed& i : found) {
    out << "installed: " << Column(BrowserName(i.browser), 16) << " " << Column(i.kind, 7) << " "
        << i.evidence.string() << "\n";
  }
}

}  // namespace

int Check(const Options& options, std::ostream& out) {
  ValidateName(options.name);
  struct Place {
    const char* label;
    bool system;
  };
  std::vector<Place> places = {{"user", false}, {"system", true}};
  if (options.user_data_dir) {
    places = {{"user data dir", false}};
  } else if (options.folder) {
    places = {{"folder", false}};
  } else if (options.system) {
    places = {{"system", true}};
  }
  if (!options.user_data_dir && !options.folder) PrintInstalled(out);
  int found = 0;
  int failed = 0;
  for (const Place& place : places) {
    const std::vector<Target> targets = Targets(options, place.system, true);
    for (std::size_t i = 0; i < targets.size(); ++i) {
      const auto& [b, target] = targets[i];
      const std::string head = Column(BrowserName(b), 16) + " " + Column(place.label, 6) + " ";
      if (Repeated(targets, i) && !IsSandboxed(b)) {
        out << head << "reads " << target.string() << ", as above\n";
        continue;
      }
      std::error_code ec;
      if (!fs::exists(fs::symlink_status(target, ec))) {
        out << head << "no manifest at " << target.string() << "\n";
        continue;
      }
      ++found;
      const HostOfScript host_of =
          SandboxOf(b).kind == SandboxKind::kFlatpakSpawn ? &SpawnedHost : nullptr;
      const ManifestCheck check = CheckManifest(b, target.string(), options.name, false, host_of);
      const SandboxVerdict sandbox = CheckSandbox(SandboxOf(b), options.name);
      const bool ok = check.ok && sandbox.starts;
      out << head << target.string() << ": " << (ok ? "OK" : "BROKEN") << "\n";
      for (const std::string& line : check.lines) out << std::string(17, ' ') << line << "\n";
      for (const std::string& line : sandbox.lines) out << std::string(17, ' ') << line << "\n";
      if (!ok) ++failed;
    }
  }
  if (found == 0) {
    out << "no manifest for '" << options.name << "' found: run ferolant-register install\n";
    return 1;
  }
  return failed ? 1 : 0;
}

}  // namespace ferolant::reg
