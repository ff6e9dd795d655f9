#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "executable.h"
#include "manifest.h"
#include "registration.h"
#include "utf8_path.h"

namespace ferolant::reg {
namespace {

namespace fs = std::filesystem;

fs::path Home() {
  const char* home = std::getenv("HOME");
  return home && *home ? fs::path(home) : fs::path("/");
}

fs::path ManifestDir(Browser browser, bool system, const std::optional<std::string>& profile) {
  if (profile) {
    // A Chromium-family browser started with --user-data-dir looks there first.
    return fs::absolute(*profile).lexically_normal() / "NativeMessagingHosts";
  }
  if (system) {
    switch (browser) {
      case Browser::kChrome:
        return "/etc/opt/chrome/native-messaging-hosts";
      case Browser::kChromium:
        return "/etc/chromium/native-messaging-hosts";
      case Browser::kEdge:
        return "/etc/opt/edge/native-messaging-hosts";
      case Browser::kBrave:
        return "/etc/opt/brave.com/brave/native-messaging-hosts";
      case Browser::kFirefox:
        return "/usr/lib/mozilla/native-messaging-hosts";
    }
  }
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const fs::path config = xdg && *xdg ? fs::path(xdg) : Home() / ".config";
  switch (browser) {
    case Browser::kChrome:
      return config / "google-chrome/NativeMessagingHosts";
    case Browser::kChromium:
      return config / "chromium/NativeMessagingHosts";
    case Browser::kEdge:
      return config / "microsoft-edge/NativeMessagingHosts";
    case Browser::kBrave:
      return config / "BraveSoftware/Brave-Browser/NativeMessagingHosts";
    case Browser::kFirefox:
      return Home() / ".mozilla/native-messaging-hosts";
  }
  return {};
}

fs::path Target(Browser browser, bool system, const Options& options) {
  return ManifestDir(browser, system, options.user_data_dir) / (options.name + ".json");
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

  void Write(const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
      const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) Fail("write");
      done += static_cast<std::size_t>(n);
    }
    // Readable by the browsers of every user, whatever the umask.
    if (::fchmod(fd_, 0644) != 0) Fail("chmod");
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
void WriteAtomically(const fs::path& target, const std::string& text) {
  fs::create_directories(target.parent_path());
  TemporaryFile file(target.parent_path());
  file.Write(text);
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
  for (Browser b : options.browsers) {
    const fs::path target = Target(b, options.system, options);
    WriteAtomically(target, ManifestText(b, registration));
    out << Column(BrowserName(b), 9) << " wrote " << target.string() << "\n";
  }
  return 0;
}

int Remove(const Options& options, const Registration&, std::ostream& out) {
  for (Browser b : options.browsers) {
    const fs::path target = Target(b, options.system, options);
    if (fs::remove(target)) {
      out << Column(BrowserName(b), 9) << " removed " << target.string() << "\n";
    } else {
      out << Column(BrowserName(b), 9) << " nothing at " << target.string() << "\n";
    }
  }
  return 0;
}

int Check(const Options& options, std::ostream& out) {
  ValidateName(options.name);
  struct Place {
    const char* label;
    bool system;
  };
  std::vector<Place> places = {{"user", false}, {"system", true}};
  if (options.user_data_dir) {
    places = {{"user data dir", false}};
  } else if (options.system) {
    places = {{"system", true}};
  }
  int found = 0;
  int failed = 0;
  for (Browser b : options.browsers) {
    for (const Place& place : places) {
      const fs::path target = Target(b, place.system, options);
      const std::string head = Column(BrowserName(b), 9) + " " + Column(place.label, 6) + " ";
      std::error_code ec;
      if (!fs::exists(fs::symlink_status(target, ec))) {
        out << head << "no manifest at " << target.string() << "\n";
        continue;
      }
      ++found;
      const ManifestCheck check = CheckManifest(b, target.string(), options.name, false);
      out << head << target.string() << ": " << (check.ok ? "OK" : "BROKEN") << "\n";
      for (const std::string& line : check.lines) out << std::string(17, ' ') << line << "\n";
      if (!check.ok) ++failed;
    }
  }
  if (found == 0) {
    out << "no manifest for '" << options.name << "' found: run ferolant-register install\n";
    return 1;
  }
  return failed ? 1 : 0;
}

}  // namespace ferolant::reg
