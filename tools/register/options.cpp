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

std::optional<Browser> BrowserNamed(std::string_view name) {
  for (Browser b : kAllBrowsers) {
    if (BrowserName(b) == name) return b;
  }
  return std::nullopt;
}

}  // namespace

std::string_view BrowserName(Browser browser) noexcept {
  switch (browser) {
    case Browser::kChrome:
      return "chrome";
    case Browser::kChromium:
      return "chromium";
    case Browser::kEdge:
      return "edge";
    case Browser::kBrave:
      return "brave";
    case Browser::kFirefox:
      return "firefox";
    case Browser::kVivaldi:
      return "vivaldi";
    case Browser::kOpera:
      return "opera";
    case Browser::kLibrewolf:
      return "librewolf";
    case Browser::kChromeFlatpak:
      return "chrome-flatpak";
    case Browser::kChromiumFlatpak:
      return "chromium-flatpak";
    case Browser::kFirefoxSnap:
      return "firefox-snap";
    case Browser::kFirefoxFlatpak:
      return "firefox-flatpak";
  }
  return "?";
}

bool IsFirefoxFamily(Browser browser) noexcept {
  return browser == Browser::kFirefox || browser == Browser::kLibrewolf ||
         browser == Browser::kFirefoxSnap || browser == Browser::kFirefoxFlatpak;
}

bool IsSandboxed(Browser browser) noexcept {
  return browser == Browser::kChromeFlatpak || browser == Browser::kChromiumFlatpak ||
         browser == Browser::kFirefoxSnap || browser == Browser::kFirefoxFlatpak;
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

Options ParseOptions(const std::vector<std::string>& args) {
  Options options;
  std::optional<Verb> verb;
  bool all = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--name") {
      options.name = value();
    } else if (arg == "--path") {
      options.path = value();
    } else if (arg == "--browser") {
      const std::string& name = value();
      if (name == "all") {
        all = true;
      } else if (auto b = BrowserNamed(name); b && Supported(*b)) {
        if (std::find(options.browsers.begin(), options.browsers.end(), *b) ==
            options.browsers.end()) {
          options.browsers.push_back(*b);
        }
      } else {
        std::string known;
        for (Browser k : kAllBrowsers) {
          if (Supported(k)) known += std::string(BrowserName(k)) + ", ";
        }
        throw UsageError("unknown browser " + Quoted(name) + ": choose " + known + "or all");
      }
    } else if (arg == "--extension-id") {
      options.extension_ids.push_back(value());
    } else if (arg == "--firefox-id") {
      options.firefox_ids.push_back(value());
    } else if (arg == "--system") {
      options.system = true;
    } else if (arg == "--user-data-dir") {
      options.user_data_dir = value();
    } else if (arg == "--folder") {
      options.folder = value();
    } else if (!verb && !arg.starts_with("-")) {
      if (arg == "install")
        verb = Verb::kInstall;
      else if (arg == "remove")
        verb = Verb::kRemove;
      else if (arg == "check")
        verb = Verb::kCheck;
      else if (arg == "manifest")
        verb = Verb::kManifest;
      else
        throw UsageError("unknown command " + Quoted(arg) + ": install, remove, check or manifest");
    } else {
      throw UsageError("unexpected argument " + Quoted(arg));
    }
  }
  if (options.help) return options;
  if (!verb) throw UsageError("say what to do: install, remove, check or manifest");
  options.verb = *verb;
  if (options.folder) {
    // One folder holds one manifest, of one family.
    if (all || options.browsers.size() > 1 || options.user_data_dir || options.system) {
      throw UsageError(
          "--folder takes at most one --browser, and neither --system nor --user-data-dir");
    }
    if (options.browsers.empty()) options.browsers.push_back(Browser::kChromium);
    return options;
  }
  if (all || options.browsers.empty()) {
    options.all_browsers = true;
    options.browsers.clear();
    for (Browser b : kAllBrowsers) {
      // A profile folder is a Chromium-family idea, and of a classic install.
      if (!Supported(b) || IsSandboxed(b)) continue;
      if (!(options.user_data_dir && IsFirefoxFamily(b))) options.browsers.push_back(b);
    }
  }
  return options;
}

void ValidateName(const std::string& name) {
  if (!IsHostName(name)) {
    throw UsageError("host name " + Quoted(name) +
                     ": use lower-case letters, digits, '_' and single dots inside (for example "
                     "ferolant.host)");
  }
}

Registration Validate(const Options& options, const std::string& default_host) {
  Registration r;
  ValidateName(options.name);
  r.name = options.name;
  std::vector<std::string> ids = options.extension_ids;
  if (ids.empty()) ids.push_back(kDefaultExtensionId);
  for (const std::string& id : ids) {
    if (Matches(id, ExtensionIdPattern())) {
      r.origins.push_back("chrome-extension://" + id + "/");
    } else if (IsOrigin(id)) {
      r.origins.push_back(id);
    } else {
      throw UsageError("extension id " + Quoted(id) +
                       ": expected 32 letters a-p, or chrome-extension://ID/");
    }
  }
  r.firefox_ids = options.firefox_ids;
  if (r.firefox_ids.empty()) r.firefox_ids.push_back(kDefaultFirefoxId);
  for (const std::string& id : r.firefox_ids) {
    if (!IsFirefoxId(id)) {
      throw UsageError("Firefox extension id " + Quoted(id) + ": expected name@domain or {GUID}");
    }
  }
  // A relative path would name whatever lies there in the folder the browser starts in.
  for (const auto& [given, option] :
       {std::pair{&options.path, "--path "}, std::pair{&options.user_data_dir, "--user-data-dir "},
        std::pair{&options.folder, "--folder "}}) {
    if (*given && !PathFromUtf8(**given).is_absolute()) {
      throw UsageError(option + Quoted(**given) + ": give an absolute path");
    }
  }
  r.path = Utf8FromPath(PathFromUtf8(options.path.value_or(default_host)).lexically_normal());
  if (options.user_data_dir &&
      std::any_of(options.browsers.begin(), options.browsers.end(),
                  [](Browser b) { return IsFirefoxFamily(b) || IsSandboxed(b); })) {
    throw UsageError("--user-data-dir applies to classic Chromium-family browsers only");
  }
  return r;
}

}  // namespace ferolant::reg
