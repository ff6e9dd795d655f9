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
std::string KeyFolder(Browser browser) {
  switch (browser) {
    case Browser::kChrome:
      return "Software\\Google\\Chrome\\NativeMessagingHosts";
    case Browser::kChromium:
      return "Software\\Chromium\\NativeMessagingHosts";
    case Browser::kEdge:
      return "Software\\Microsoft\\Edge\\NativeMessagingHosts";
    case Browser::kBrave:
      return "Software\\BraveSoftware\\Brave-Browser\\NativeMessagingHosts";
    case Browser::kFirefox:
      return "Software\\Mozilla\\NativeMessagingHosts";
    default:
      break;
  }
  return {};
}

std::string Key(Browser browser, const std::string& name) {
  return KeyFolder(browser) + "\\" + name;
}

Hive HiveOf(const Options& options) {
  return options.system ? Hive::kLocalMachine : Hive::kCurrentUser;
}

std::string Shown(Hive hive, const std::string& key) {
  return std::string(HiveName(hive)) + "\\" + key;
}

// Chromium-family browsers and Firefox want different members, so each family has its file,
// beside the host.
fs::path ManifestFile(Browser browser, const Registration& r) {
  const char* suffix = browser == Browser::kFirefox ? ".firefox.json" : ".json";
  return PathFromUtf8(r.path).parent_path() / PathFromUtf8(r.name + suffix);
}

void RefuseProfiles(const Options& options) {
  if (options.user_data_dir || options.folder) {
    throw UsageError(std::string(options.folder ? "--folder" : "--user-data-dir") +
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
bool Supported(Browser browser) noexcept { return !KeyFolder(browser).empty(); }

int Install(const Options& options, const Registration& registration, std::ostream& out) {
  RefuseProfiles(options);
  std::error_code ec;
  if (!fs::is_regular_file(PathFromUtf8(registration.path), ec)) {
    throw UsageError(registration.path + " is not a file (build the host, or give --path)");
  }
  const Hive hive = HiveOf(options);
  for (Browser b : options.browsers) {
    const fs::path file = ManifestFile(b, registration);
    WriteFile(file, ManifestText(b, registration));
    const std::string key = Key(b, registration.name);
    WriteKeyDefault(hive, key, Utf8FromPath(file));
    out << Column(BrowserName(b), 9) << " " << Shown(hive, key) << " -> " << Utf8FromPath(file)
        << "\n";
  }
  return 0;
}

int Remove(const Options& options, const Registration& registration, std::ostream& out) {
  RefuseProfiles(options);
  const Hive hive = HiveOf(options);
  for (Browser b : options.browsers) {
    const std::string key = Key(b, registration.name);
    if (DeleteKey(hive, key))
      out << Column(BrowserName(b), 9) << " removed " << Shown(hive, key) << "\n";
  }
  // The four Chromium-family browsers share one file: it goes once no key names it any more.
  std::set<std::string> still_named;
  for (Browser b : kAllBrowsers) {
    if (!Supported(b)) continue;
    if (auto value = ReadKeyDefault(hive, Key(b, registration.name)).value)
      still_named.insert(*value);
  }
  for (Browser b : options.browsers) {
    const fs::path file = ManifestFile(b, registration);
    if (!still_named.contains(Utf8FromPath(file)) && fs::remove(file)) {
      out << Column(BrowserName(b), 9) << " removed " << Utf8FromPath(file) << "\n";
    }
  }
  return 0;
}

int Check(const Options& options, std::ostream& out) {
  ValidateName(options.name);
  RefuseProfiles(options);
  const Hive hive = HiveOf(options);
  int found = 0;
  int failed = 0;
  for (Browser b : options.browsers) {
    const std::string key = Shown(hive, Key(b, options.name));
    const KeyDefault registered = ReadKeyDefault(hive, Key(b, options.name));
    const std::string head = Column(BrowserName(b), 9) + " ";
    if (!registered.exists) {
      out << head << "-      not registered: no key " << key << "\n";
      continue;
    }
    ++found;
    std::error_code ec;
    if (!registered.value || registered.value->empty()) {
      out << head << "BROKEN " << key << " has no default value naming the manifest\n";
    } else if (!fs::is_regular_file(PathFromUtf8(*registered.value), ec)) {
      out << head << "BROKEN " << key << " names " << *registered.value
          << ", which does not exist\n";
    } else {
      const ManifestCheck check = CheckManifest(b, *registered.value, options.name, true);
      out << head << (check.ok ? "OK     " : "BROKEN ") << key << " -> " << *registered.value
          << "\n";
      for (const std::string& line : check.lines) out << std::string(17, ' ') << line << "\n";
      if (check.ok) continue;
    }
    ++failed;
  }
  if (found == 0) {
    out << "no registration for '" << options.name << "' found: run ferolant-register install\n";
    return 1;
  }
  return failed ? 1 : 0;
}

}  // namespace ferolant::reg
