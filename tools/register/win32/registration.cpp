#include <filesystem>
#include <fstream>
#include <set>

#include "tools/register/manifest.h"
#include "tools/register/registration.h"
#include "tools/register/registry.h"
#include "tools/register/utf8_path.h"

namespace ferolant::reg {
namespace {

namespace fs = std::filesystem;

// Where each browser looks for the key that names a host's manifest.
std::string KeyFolder(TBrowser browser) {
  switch (browser) {
    case TBrowser::Chrome:
      return "Software\\Google\\Chrome\\NativeMessagingHosts";
    case TBrowser::Chromium:
      return "Software\\Chromium\\NativeMessagingHosts";
    case TBrowser::Edge:
      return "Software\\Microsoft\\Edge\\NativeMessagingHosts";
    case TBrowser::Brave:
      return "Software\\BraveSoftware\\Brave-Browser\\NativeMessagingHosts";
    case TBrowser::Firefox:
      return "Software\\Mozilla\\NativeMessagingHosts";
    default:
      break;
  }
  return {};
}

std::string Key(TBrowser browser, const std::string& name) {
  return KeyFolder(browser) + "\\" + name;
}

THive HiveOf(const TOptions& options) {
  return options.System ? THive::LocalMachine : THive::CurrentUser;
}

std::string Shown(THive hive, const std::string& key) {
  return std::string(HiveName(hive)) + "\\" + key;
}

// Chromium-family browsers and Firefox want different members, so each family has its file,
// beside the host.
fs::path ManifestFile(TBrowser browser, const TRegistration& r) {
  const char* suffix = browser == TBrowser::Firefox ? ".firefox.json" : ".json";
  return PathFromUtf8(r.Path).parent_path() / PathFromUtf8(r.Name + suffix);
}

void RefuseProfiles(const TOptions& options) {
  if (options.UserDataDir || options.Folder) {
    throw TUsageError(std::string(options.Folder ? "--folder" : "--user-data-dir") +
                      ": browsers on Windows find hosts through the registry only");
  }
}

void WriteFile(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!(out << text) || !(out.flush())) {
    throw fs::filesystem_error("write", file, std::make_error_code(std::errc::io_error));
  }
}

}  // namespace

// The other browsers' folders and sandboxes are Linux's.
bool Supported(TBrowser browser) noexcept { return !KeyFolder(browser).empty(); }

int Install(const TOptions& options, const TRegistration& registration, std::ostream& out) {
  RefuseProfiles(options);
  std::error_code ec;
  if (!fs::is_regular_file(PathFromUtf8(registration.Path), ec)) {
    throw TUsageError(registration.Path + " is not a file (build the host, or give --path)");
  }
  const THive hive = HiveOf(options);
  for (TBrowser b : options.Browsers) {
    const fs::path file = ManifestFile(b, registration);
    WriteFile(file, ManifestText(b, registration));
    const std::string key = Key(b, registration.Name);
    WriteKeyDefault(hive, key, Utf8FromPath(file));
    out << Column(BrowserName(b), 9) << " " << Shown(hive, key) << " -> " << Utf8FromPath(file)
        << "\n";
  }
  return 0;
}

int Remove(const TOptions& options, const TRegistration& registration, std::ostream& out) {
  RefuseProfiles(options);
  const THive hive = HiveOf(options);
  for (TBrowser b : options.Browsers) {
    const std::string key = Key(b, registration.Name);
    if (DeleteKey(hive, key))
      out << Column(BrowserName(b), 9) << " removed " << Shown(hive, key) << "\n";
  }
  // The four Chromium-family browsers share one file: it goes once no key names it any more.
  std::set<std::string> stillNamed;
  for (TBrowser b : kAllBrowsers) {
    if (!Supported(b)) continue;
    if (auto value = ReadKeyDefault(hive, Key(b, registration.Name)).Value)
      stillNamed.insert(*value);
  }
  for (TBrowser b : options.Browsers) {
    const fs::path file = ManifestFile(b, registration);
    if (!stillNamed.contains(Utf8FromPath(file)) && fs::remove(file)) {
      out << Column(BrowserName(b), 9) << " removed " << Utf8FromPath(file) << "\n";
    }
  }
  return 0;
}

int Check(const TOptions& options, std::ostream& out) {
  ValidateName(options.Name);
  RefuseProfiles(options);
  const THive hive = HiveOf(options);
  int found = 0;
  int failed = 0;
  for (TBrowser b : options.Browsers) {
    const std::string key = Shown(hive, Key(b, options.Name));
    const TKeyDefault registered = ReadKeyDefault(hive, Key(b, options.Name));
    const std::string head = Column(BrowserName(b), 9) + " ";
    if (!registered.Exists) {
      out << head << "-      not registered: no key " << key << "\n";
      continue;
    }
    ++found;
    std::error_code ec;
    if (!registered.Value || registered.Value->empty()) {
      out << head << "BROKEN " << key << " has no default value naming the manifest\n";
    } else if (!fs::is_regular_file(PathFromUtf8(*registered.Value), ec)) {
      out << head << "BROKEN " << key << " names " << *registered.Value
          << ", which does not exist\n";
    } else {
      const TManifestCheck check = CheckManifest(b, *registered.Value, options.Name, true);
      out << head << (check.Ok ? "OK     " : "BROKEN ") << key << " -> " << *registered.Value
          << "\n";
      for (const std::string& line : check.Lines) out << std::string(17, ' ') << line << "\n";
      if (check.Ok) continue;
    }
    ++failed;
  }
  if (found == 0) {
    out << "no registration for '" << options.Name << "' found: run ferolant-register install\n";
    return 1;
  }
  return failed ? 1 : 0;
}

}  // namespace ferolant::reg
