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
struct TTarget {
  TBrowser Browser;
  fs::path File;
};

// Where the manifest goes; every browser's place is known before anything is written.
std::optional<fs::path> Folder(TBrowser browser, bool system, const TOptions& options) {
  // A Chromium-family browser started with --user-data-dir looks there first.
  if (options.UserDataDir) {
    return fs::absolute(*options.UserDataDir).lexically_normal() / "NativeMessagingHosts";
  }
  if (options.Folder) return fs::absolute(*options.Folder).lexically_normal();
  return ManifestFolder(browser, system);
}

// The browsers asked for; "all" adds the sandboxed installs that are found.
std::vector<TBrowser> Browsers(const TOptions& options) {
  std::vector<TBrowser> browsers = options.Browsers;
  if (options.AllBrowsers && !options.UserDataDir) {
    for (const TInstalled& found : FindInstalled()) {
      if (IsSandboxed(found.Browser)) browsers.push_back(found.Browser);
    }
  }
  return browsers;
}

// skipMissing: leave out the browsers without such a folder rather than refuse them.
std::vector<TTarget> Targets(const TOptions& options, bool system, bool skipMissing) {
  std::vector<TTarget> targets;
  for (TBrowser b : Browsers(options)) {
    const std::optional<fs::path> folder = Folder(b, system, options);
    if (!folder) {
      if (skipMissing) continue;
      throw TUsageError(std::string(BrowserName(b)) +
                        " has no system-wide folder: register it for each user, without --system");
    }
    targets.push_back({b, *folder / (options.Name + ".json")});
  }
  return targets;
}

// Opera reads Chrome's folder, and every Firefox the same one: a file already handled once.
bool Repeated(const std::vector<TTarget>& targets, std::size_t i) {
  for (std::size_t j = 0; j < i; ++j) {
    if (targets[j].File == targets[i].File) return true;
  }
  return false;
}

void PrintSandbox(TBrowser browser, const std::string& name, std::ostream& out) {
  for (const std::string& line : CheckSandbox(SandboxOf(browser), name).Lines) {
    out << std::string(17, ' ') << line << "\n";
  }
}

// Owns a temporary file name until it is renamed into place.
class TTemporaryFile {
 public:
  explicit TTemporaryFile(const fs::path& folder) : FName((folder / ".ferolant-XXXXXX").string()) {
    FFd = ::mkstemp(FName.data());
    if (FFd < 0) throw fs::filesystem_error("mkstemp", folder, {errno, std::generic_category()});
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;
  ~TTemporaryFile() {
    if (FFd >= 0) ::close(FFd);
    if (!FName.empty()) ::unlink(FName.c_str());
  }

  void Write(const std::string& text, mode_t mode) {
    for (std::size_t done = 0; done < text.size();) {
      const ssize_t n = ::write(FFd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) Fail("write");
      done += static_cast<std::size_t>(n);
    }
    // Readable by the browsers of every user, whatever the umask.
    if (::fchmod(FFd, mode) != 0) Fail("chmod");
    if (::close(std::exchange(FFd, -1)) != 0) Fail("close");
  }

  void RenameTo(const fs::path& target) {
    fs::rename(FName, target);
    FName.clear();
  }

 private:
  [[noreturn]] void Fail(const char* what) {
    throw fs::filesystem_error(what, fs::path(FName), {errno, std::generic_category()});
  }

  std::string FName;
  int FFd = -1;
};

// A reader never sees half a manifest: the new one replaces the old in one rename.
void WriteAtomically(const fs::path& target, const std::string& text, mode_t mode = 0644) {
  fs::create_directories(target.parent_path());
  TTemporaryFile file(target.parent_path());
  file.Write(text, mode);
  file.RenameTo(target);
}

}  // namespace

int Install(const TOptions& options, const TRegistration& registration, std::ostream& out) {
  const fs::path host = PathFromUtf8(registration.Path);
  std::error_code ec;
  if (!fs::is_regular_file(host, ec) || !IsExecutable(host)) {
    throw TUsageError(registration.Path +
                      " is not an executable file (build the host, or give --path)");
  }
  const std::vector<TTarget> targets = Targets(options, options.System, options.AllBrowsers);
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const auto& [b, target] = targets[i];
    const std::string head = Column(BrowserName(b), 9);
    if (Repeated(targets, i)) {
      out << head << " reads " << target.string() << " too\n";
    } else if (const TSandbox sandbox = SandboxOf(b); sandbox.Kind == TSandboxKind::FlatpakSpawn) {
      const fs::path script = SpawnScriptPath(sandbox, options.Name);
      WriteAtomically(script, SpawnScriptText(registration.Path), 0755);
      TRegistration inside = registration;
      inside.Path = Utf8FromPath(script);
      WriteAtomically(target, ManifestText(b, inside));
      out << head << " wrote " << target.string() << "\n"
          << std::string(17, ' ') << "and " << script.string() << ", which it starts\n";
    } else {
      WriteAtomically(target, ManifestText(b, registration));
      out << head << " wrote " << target.string() << "\n";
    }
    if (IsSandboxed(b)) PrintSandbox(b, options.Name, out);
  }
  return 0;
}

int Remove(const TOptions& options, const TRegistration&, std::ostream& out) {
  const std::vector<TTarget> targets = Targets(options, options.System, options.AllBrowsers);
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const auto& [b, target] = targets[i];
    if (Repeated(targets, i)) continue;
    if (const TSandbox sandbox = SandboxOf(b); sandbox.Kind == TSandboxKind::FlatpakSpawn) {
      fs::remove(SpawnScriptPath(sandbox, options.Name));
    }
    out << Column(BrowserName(b), 9) << (fs::remove(target) ? " removed " : " nothing at ")
        << target.string() << "\n";
  }
  return 0;
}

namespace {

void PrintInstalled(std::ostream& out) {
  const std::vector<TInstalled> found = FindInstalled();
  if (found.empty()) out << "installed: none of the browsers this program knows was found\n";
  for (const TInstalled& i : found) {
    out << "installed: " << Column(BrowserName(i.Browser), 16) << " " << Column(i.Kind, 7) << " "
        << i.Evidence.string() << "\n";
  }
}

}  // namespace

int Check(const TOptions& options, std::ostream& out) {
  ValidateName(options.Name);
  struct TPlace {
    const char* Label;
    bool System;
  };
  std::vector<TPlace> places = {{"user", false}, {"system", true}};
  if (options.UserDataDir) {
    places = {{"user data dir", false}};
  } else if (options.Folder) {
    places = {{"folder", false}};
  } else if (options.System) {
    places = {{"system", true}};
  }
  if (!options.UserDataDir && !options.Folder) PrintInstalled(out);
  int found = 0;
  int failed = 0;
  for (const TPlace& place : places) {
    const std::vector<TTarget> targets = Targets(options, place.System, true);
    for (std::size_t i = 0; i < targets.size(); ++i) {
      const auto& [b, target] = targets[i];
      const std::string head = Column(BrowserName(b), 16) + " " + Column(place.Label, 6) + " ";
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
      const THostOfScript hostOf =
          SandboxOf(b).Kind == TSandboxKind::FlatpakSpawn ? &SpawnedHost : nullptr;
      const TManifestCheck check = CheckManifest(b, target.string(), options.Name, false, hostOf);
      const TSandboxVerdict sandbox = CheckSandbox(SandboxOf(b), options.Name);
      const bool ok = check.Ok && sandbox.Starts;
      out << head << target.string() << ": " << (ok ? "OK" : "BROKEN") << "\n";
      for (const std::string& line : check.Lines) out << std::string(17, ' ') << line << "\n";
      for (const std::string& line : sandbox.Lines) out << std::string(17, ' ') << line << "\n";
      if (!ok) ++failed;
    }
  }
  if (found == 0) {
    out << "no manifest for '" << options.Name << "' found: run ferolant-register install\n";
    return 1;
  }
  return failed ? 1 : 0;
}

}  // namespace ferolant::reg
