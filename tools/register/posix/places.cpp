#include <cstdlib>
#include <system_error>

#include "tools/register/places.h"

namespace ferolant::reg {

namespace fs = std::filesystem;

namespace {

fs::path FromEnv(const char* name, const fs::path& otherwise) {
  const char* value = std::getenv(name);
  return value && *value ? fs::path(value) : otherwise;
}

// The app's own configuration folder, which the sandbox shows at the same path.
fs::path FlatpakConfig(const char* app) { return Home() / ".var/app" / app / "config"; }

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

}  // namespace

fs::path Home() { return FromEnv("HOME", "/"); }
fs::path ConfigHome() { return FromEnv("XDG_CONFIG_HOME", Home() / ".config"); }
fs::path DataHome() { return FromEnv("XDG_DATA_HOME", Home() / ".local/share"); }

bool Supported(TBrowser) noexcept { return true; }

std::optional<fs::path> ManifestFolder(TBrowser browser, bool system) {
  switch (browser) {
    case TBrowser::Chrome:
      return system ? "/etc/opt/chrome/native-messaging-hosts"
                    : ConfigHome() / "google-chrome/NativeMessagingHosts";
    case TBrowser::Chromium:
      return system ? "/etc/chromium/native-messaging-hosts"
                    : ConfigHome() / "chromium/NativeMessagingHosts";
    case TBrowser::Edge:
      return system ? "/etc/opt/edge/native-messaging-hosts"
                    : ConfigHome() / "microsoft-edge/NativeMessagingHosts";
    case TBrowser::Brave:
      return system ? "/etc/opt/brave.com/brave/native-messaging-hosts"
                    : ConfigHome() / "BraveSoftware/Brave-Browser/NativeMessagingHosts";
    // The portal reads the manifests that a classic Firefox reads, outside the sandbox.
    case TBrowser::Firefox:
    case TBrowser::FirefoxSnap:
    case TBrowser::FirefoxFlatpak:
      return system ? "/usr/lib/mozilla/native-messaging-hosts"
                    : Home() / ".mozilla/native-messaging-hosts";
    case TBrowser::Vivaldi:
      if (system) return std::nullopt;
      return ConfigHome() / "vivaldi/NativeMessagingHosts";
    // Opera reads the manifests that Chrome reads.
    case TBrowser::Opera:
      if (system) return std::nullopt;
      return ConfigHome() / "google-chrome/NativeMessagingHosts";
    case TBrowser::Librewolf:
      if (system) return std::nullopt;
      return Home() / ".librewolf/native-messaging-hosts";
    case TBrowser::ChromeFlatpak:
      if (system) return std::nullopt;
      return FlatpakConfig("com.google.Chrome") / "google-chrome/NativeMessagingHosts";
    case TBrowser::ChromiumFlatpak:
      if (system) return std::nullopt;
      return FlatpakConfig("org.chromium.Chromium") / "chromium/NativeMessagingHosts";
  }
  return std::nullopt;
}

TSandbox SandboxOf(TBrowser browser) {
  switch (browser) {
    case TBrowser::FirefoxSnap:
      return {TSandboxKind::Portal, "snap.firefox"};
    case TBrowser::FirefoxFlatpak:
      return {TSandboxKind::Portal, "org.mozilla.firefox"};
    case TBrowser::ChromeFlatpak:
      return {TSandboxKind::FlatpakSpawn, "com.google.Chrome"};
    case TBrowser::ChromiumFlatpak:
      return {TSandboxKind::FlatpakSpawn, "org.chromium.Chromium"};
    default:
      return {};
  }
}

std::vector<TInstalled> FindInstalled() {
  struct TEvidence {
    TBrowser Browser;
    const char* Kind;
    std::vector<fs::path> Paths;
  };
  // Not /usr/bin/firefox: on Ubuntu that is a script that starts the snap.
  const std::vector<TEvidence> evidence = {
      {TBrowser::Chrome, "classic", {"/opt/google/chrome/chrome"}},
      {TBrowser::Chromium,
       "classic",
       {"/usr/lib/chromium/chromium", "/usr/lib64/chromium-browser/chromium-browser"}},
      {TBrowser::Edge, "classic", {"/opt/microsoft/msedge/msedge"}},
      {TBrowser::Brave, "classic", {"/opt/brave.com/brave/brave"}},
      {TBrowser::Firefox,
       "classic",
       {"/usr/lib/firefox-esr/firefox-esr", "/usr/lib/firefox/firefox",
        "/usr/lib64/firefox/firefox", "/opt/firefox/firefox"}},
      {TBrowser::Vivaldi, "classic", {"/opt/vivaldi/vivaldi"}},
      {TBrowser::Opera,
       "classic",
       {"/usr/lib/x86_64-linux-gnu/opera/opera", "/usr/lib64/opera/opera"}},
      {TBrowser::Librewolf,
       "classic",
       {"/usr/share/librewolf/librewolf", "/usr/lib/librewolf/librewolf"}},
      {TBrowser::FirefoxSnap, "snap", {"/snap/firefox/current", Home() / "snap/firefox"}},
  };
  std::vector<TInstalled> found;
  for (const TEvidence& e : evidence) {
    for (const fs::path& path : e.Paths) {
      if (Exists(path)) {
        found.push_back({e.Browser, e.Kind, path});
        break;
      }
    }
  }
  for (TBrowser b :
       {TBrowser::ChromeFlatpak, TBrowser::ChromiumFlatpak, TBrowser::FirefoxFlatpak}) {
    const std::string app = SandboxOf(b).App;
    for (const fs::path& path :
         {DataHome() / "flatpak/app" / app, fs::path("/var/lib/flatpak/app") / app}) {
      if (Exists(path)) {
        found.push_back({b, "flatpak", path});
        break;
      }
    }
  }
  return found;
}

}  // namespace ferolant::reg
