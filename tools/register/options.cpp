#include "tools/register/options.h"

#include <algorithm>
#include <filesystem>
#include <regex>

#include "tools/register/utf8_path.h"

namespace ferolant::reg {
namespace {

const std::regex& HostNamePattern() {
  static const std::regex re("[a-z0-9_]+(\\.[a-z0-9_]+)*");
  return re;
}
const std::regex& ExtensionIdPattern() {
  static const std::regex re("[a-p]{32}");
  return re;
}
const std::regex& OriginPattern() {
  static const std::regex re("chrome-extension://[a-p]{32}/");
  return re;
}
const std::regex& FirefoxIdPattern() {
  static const std::regex re("[A-Za-z0-9._+-]*@[A-Za-z0-9._-]+|\\{[0-9a-fA-F-]{36}\\}");
  return re;
}

bool Matches(std::string_view text, const std::regex& re) {
  return std::regex_match(text.begin(), text.end(), re);
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::optional<TBrowser> BrowserNamed(std::string_view name) {
  for (TBrowser b : kAllBrowsers) {
    if (BrowserName(b) == name) return b;
  }
  return std::nullopt;
}

}  // namespace

std::string_view BrowserName(TBrowser browser) noexcept {
  switch (browser) {
    case TBrowser::Chrome:
      return "chrome";
    case TBrowser::Chromium:
      return "chromium";
    case TBrowser::Edge:
      return "edge";
    case TBrowser::Brave:
      return "brave";
    case TBrowser::Firefox:
      return "firefox";
    case TBrowser::Vivaldi:
      return "vivaldi";
    case TBrowser::Opera:
      return "opera";
    case TBrowser::Librewolf:
      return "librewolf";
    case TBrowser::ChromeFlatpak:
      return "chrome-flatpak";
    case TBrowser::ChromiumFlatpak:
      return "chromium-flatpak";
    case TBrowser::FirefoxSnap:
      return "firefox-snap";
    case TBrowser::FirefoxFlatpak:
      return "firefox-flatpak";
  }
  return "?";
}

bool IsFirefoxFamily(TBrowser browser) noexcept {
  return browser == TBrowser::Firefox || browser == TBrowser::Librewolf ||
         browser == TBrowser::FirefoxSnap || browser == TBrowser::FirefoxFlatpak;
}

bool IsSandboxed(TBrowser browser) noexcept {
  return browser == TBrowser::ChromeFlatpak || browser == TBrowser::ChromiumFlatpak ||
         browser == TBrowser::FirefoxSnap || browser == TBrowser::FirefoxFlatpak;
}

bool IsHostName(std::string_view name) { return Matches(name, HostNamePattern()); }
bool IsOrigin(std::string_view origin) { return Matches(origin, OriginPattern()); }
bool IsFirefoxId(std::string_view id) { return Matches(id, FirefoxIdPattern()); }

const char* const kUsage =
    R"(usage: ferolant-register {install,remove,check,manifest} [options]

Registers the Ferolant native messaging host with Chrome, Chromium, Edge, Brave and Firefox
(on Linux also Vivaldi, Opera, LibreWolf, and Chrome, Chromium and Firefox as snaps or flatpaks).

  install    write the host manifest for each browser (on Windows also its registry key)
  remove     delete it again
  check      tell, for each browser, why the host would not be found
  manifest   print the manifest that install would write

  --name NAME          host name (default ferolant.host)
  --path PATH          host executable (default: ferolant beside this program, or the
                       installed one)
  --browser B          chrome, chromium, edge, brave, firefox or all; repeatable (default all);
                       on Linux also vivaldi, opera, librewolf, chrome-flatpak,
                       chromium-flatpak, firefox-snap, firefox-flatpak (all: the classic
                       installs and the sandboxed ones found)
  --extension-id ID    Chromium-family extension id or chrome-extension://ID/ origin allowed
                       to start the host; repeatable (default the test extension)
  --firefox-id ID      Firefox extension id; repeatable (default e2e@ferolant.test)
  --system             for every user of the machine (needs root or an administrator)
  --user-data-dir DIR  a Chromium-family profile folder started with --user-data-dir (Linux)
  --folder DIR         the manifest folder of another browser (Linux); the manifest is
                       Chromium's unless --browser names a Firefox one
  -h, --help           this text

A browser that cannot use a host says only "Specified native messaging host not found.";
check names the reason. Exit status: 0 done, 1 a problem found or a write failed, 2 bad usage.
)";

TOptions ParseOptions(const std::vector<std::string>& args) {
  TOptions options;
  std::optional<TVerb> verb;
  bool all = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw TUsageError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "-h" || arg == "--help") {
      options.Help = true;
    } else if (arg == "--name") {
      options.Name = value();
    } else if (arg == "--path") {
      options.Path = value();
    } else if (arg == "--browser") {
      const std::string& name = value();
      if (name == "all") {
        all = true;
      } else if (auto b = BrowserNamed(name); b && Supported(*b)) {
        if (std::find(options.Browsers.begin(), options.Browsers.end(), *b) ==
            options.Browsers.end()) {
          options.Browsers.push_back(*b);
        }
      } else {
        std::string known;
        for (TBrowser k : kAllBrowsers) {
          if (Supported(k)) known += std::string(BrowserName(k)) + ", ";
        }
        throw TUsageError("unknown browser " + Quoted(name) + ": choose " + known + "or all");
      }
    } else if (arg == "--extension-id") {
      options.ExtensionIds.push_back(value());
    } else if (arg == "--firefox-id") {
      options.FirefoxIds.push_back(value());
    } else if (arg == "--system") {
      options.System = true;
    } else if (arg == "--user-data-dir") {
      options.UserDataDir = value();
    } else if (arg == "--folder") {
      options.Folder = value();
    } else if (!verb && !arg.starts_with("-")) {
      if (arg == "install")
        verb = TVerb::Install;
      else if (arg == "remove")
        verb = TVerb::Remove;
      else if (arg == "check")
        verb = TVerb::Check;
      else if (arg == "manifest")
        verb = TVerb::Manifest;
      else
        throw TUsageError("unknown command " + Quoted(arg) +
                          ": install, remove, check or manifest");
    } else {
      throw TUsageError("unexpected argument " + Quoted(arg));
    }
  }
  if (options.Help) return options;
  if (!verb) throw TUsageError("say what to do: install, remove, check or manifest");
  options.Verb = *verb;
  if (options.Folder) {
    // One folder holds one manifest, of one family.
    if (all || options.Browsers.size() > 1 || options.UserDataDir || options.System) {
      throw TUsageError(
          "--folder takes at most one --browser, and neither --system nor --user-data-dir");
    }
    if (options.Browsers.empty()) options.Browsers.push_back(TBrowser::Chromium);
    return options;
  }
  if (all || options.Browsers.empty()) {
    options.AllBrowsers = true;
    options.Browsers.clear();
    for (TBrowser b : kAllBrowsers) {
      // A profile folder is a Chromium-family idea, and of a classic install.
      if (!Supported(b) || IsSandboxed(b)) continue;
      if (!(options.UserDataDir && IsFirefoxFamily(b))) options.Browsers.push_back(b);
    }
  }
  return options;
}

void ValidateName(const std::string& name) {
  if (!IsHostName(name)) {
    throw TUsageError("host name " + Quoted(name) +
                      ": use lower-case letters, digits, '_' and single dots inside (for example "
                      "ferolant.host)");
  }
}

TRegistration Validate(const TOptions& options, const std::string& defaultHost) {
  TRegistration r;
  ValidateName(options.Name);
  r.Name = options.Name;
  std::vector<std::string> ids = options.ExtensionIds;
  if (ids.empty()) ids.push_back(kDefaultExtensionId);
  for (const std::string& id : ids) {
    if (Matches(id, ExtensionIdPattern())) {
      r.Origins.push_back("chrome-extension://" + id + "/");
    } else if (IsOrigin(id)) {
      r.Origins.push_back(id);
    } else {
      throw TUsageError("extension id " + Quoted(id) +
                        ": expected 32 letters a-p, or chrome-extension://ID/");
    }
  }
  r.FirefoxIds = options.FirefoxIds;
  if (r.FirefoxIds.empty()) r.FirefoxIds.push_back(kDefaultFirefoxId);
  for (const std::string& id : r.FirefoxIds) {
    if (!IsFirefoxId(id)) {
      throw TUsageError("Firefox extension id " + Quoted(id) + ": expected name@domain or {GUID}");
    }
  }
  // A relative path would name whatever lies there in the folder the browser starts in.
  for (const auto& [given, option] :
       {std::pair{&options.Path, "--path "}, std::pair{&options.UserDataDir, "--user-data-dir "},
        std::pair{&options.Folder, "--folder "}}) {
    if (*given && !PathFromUtf8(**given).is_absolute()) {
      throw TUsageError(option + Quoted(**given) + ": give an absolute path");
    }
  }
  r.Path = Utf8FromPath(PathFromUtf8(options.Path.value_or(defaultHost)).lexically_normal());
  if (options.UserDataDir &&
      std::any_of(options.Browsers.begin(), options.Browsers.end(),
                  [](TBrowser b) { return IsFirefoxFamily(b) || IsSandboxed(b); })) {
    throw TUsageError("--user-data-dir applies to classic Chromium-family browsers only");
  }
  return r;
}

}  // namespace ferolant::reg
