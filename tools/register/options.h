#pragma once
// The command line of ferolant-register, and the checks every name passes before anything is
// written.
#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ferolant::reg {

enum class TVerb { Install, Remove, Check, Manifest };
// The browsers' classic installs first, then the sandboxed ones (Linux only: a snap or a
// flatpak), which a person names or which are found installed.
enum class TBrowser {
  Chrome,
  Chromium,
  Edge,
  Brave,
  Firefox,
  Vivaldi,
  Opera,
  Librewolf,
  ChromeFlatpak,
  ChromiumFlatpak,
  FirefoxSnap,
  FirefoxFlatpak,
};

inline constexpr std::array<TBrowser, 12> kAllBrowsers = {
    TBrowser::Chrome,          TBrowser::Chromium,    TBrowser::Edge,
    TBrowser::Brave,           TBrowser::Firefox,     TBrowser::Vivaldi,
    TBrowser::Opera,           TBrowser::Librewolf,   TBrowser::ChromeFlatpak,
    TBrowser::ChromiumFlatpak, TBrowser::FirefoxSnap, TBrowser::FirefoxFlatpak};

std::string_view BrowserName(TBrowser browser) noexcept;
// Reads "allowed_extensions" (Firefox and its forks, in any install) rather than
// "allowed_origins".
bool IsFirefoxFamily(TBrowser browser) noexcept;
bool IsSandboxed(TBrowser browser) noexcept;
// Whether this platform's registration knows the browser (posix/registration.cpp,
// win32/registration.cpp).
bool Supported(TBrowser browser) noexcept;

inline constexpr const char* kDefaultName = "ferolant.host";
// The project's test extension: its id follows from the public key in its manifest.
inline constexpr const char* kDefaultExtensionId = "opcmhlcgnpogjgdcmghakfdhfachcdne";
inline constexpr const char* kDefaultFirefoxId = "e2e@ferolant.test";
inline constexpr const char* kDescription =
    "Ferolant: signing for the browser through the Tavrin library";

// Bad usage: reported on standard error, exit code 2, nothing written.
class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TOptions {
  TVerb Verb = TVerb::Check;
  std::string Name = kDefaultName;
  std::optional<std::string> Path;
  std::vector<TBrowser> Browsers;  // in the order given, without repeats
  std::vector<std::string> ExtensionIds;
  std::vector<std::string> FirefoxIds;
  bool System = false;
  std::optional<std::string> UserDataDir;
  std::optional<std::string> Folder;  // a manifest folder of a browser this program does not know
  // No --browser given, or "all": the classic installs, and on Linux the sandboxed ones found.
  bool AllBrowsers = false;
  bool Help = false;
};

// Reads the arguments that follow the program's name.
TOptions ParseOptions(const std::vector<std::string>& args);

// What install writes, every part checked.
struct TRegistration {
  std::string Name;
  std::string Path;  // absolute, UTF-8
  std::vector<std::string> Origins;
  std::vector<std::string> FirefoxIds;
};

TRegistration Validate(const TOptions& options, const std::string& defaultHost);
void ValidateName(const std::string& name);

bool IsHostName(std::string_view name);
bool IsOrigin(std::string_view origin);
bool IsFirefoxId(std::string_view id);

extern const char* const kUsage;

}  // namespace ferolant::reg
