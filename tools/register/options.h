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

enum class Verb { kInstall, kRemove, kCheck, kManifest };
// The browsers' classic installs first, then the sandboxed ones (Linux only: a snap or a
// flatpak), which a person names or which are found installed.
enum class Browser {
  kChrome,
  kChromium,
  kEdge,
  kBrave,
  kFirefox,
  kVivaldi,
  kOpera,
  kLibrewolf,
  kChromeFlatpak,
  kChromiumFlatpak,
  kFirefoxSnap,
  kFirefoxFlatpak,
};

inline constexpr std::array<Browser, 12> kAllBrowsers = {
    Browser::kChrome,          Browser::kChromium,    Browser::kEdge,
    Browser::kBrave,           Browser::kFirefox,     Browser::kVivaldi,
    Browser::kOpera,           Browser::kLibrewolf,   Browser::kChromeFlatpak,
    Browser::kChromiumFlatpak, Browser::kFirefoxSnap, Browser::kFirefoxFlatpak};

std::string_view BrowserName(Browser browser) noexcept;
// Reads "allowed_extensions" (Firefox and its forks, in any install) rather than
// "allowed_origins".
bool IsFirefoxFamily(Browser browser) noexcept;
bool IsSandboxed(Browser browser) noexcept;
// Whether this platform's registration knows the browser (posix/registration.cpp,
// win32/registration.cpp).
bool Supported(Browser browser) noexcept;

inline constexpr const char* kDefaultName = "ferolant.host";
// The project's test extension: its id follows from the public key in its manifest.
inline constexpr const char* kDefaultExtensionId = "opcmhlcgnpogjgdcmghakfdhfachcdne";
inline constexpr const char* kDefaultFirefoxId = "e2e@ferolant.test";
inline constexpr const char* kDescription =
    "Ferolant: signing for the browser through the Tavrin library";

// Bad usage: reported on standard error, exit code 2, nothing written.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Options {
  Verb verb = Verb::kCheck;
  std::string name = kDefaultName;
  std::optional<std::string> path;
  std::vector<Browser> browsers;  // in the order given, without repeats
  std::vector<std::string> extension_ids;
  std::vector<std::string> firefox_ids;
  bool system = false;
  std::optional<std::string> user_data_dir;
  std::optional<std::string> folder;  // a manifest folder of a browser this program does not know
  // No --browser given, or "all": the classic installs, and on Linux the sandboxed ones found.
  bool all_browsers = false;
  bool help = false;
};

// Reads the arguments that follow the program's name.
Options ParseOptions(const std::vector<std::string>& args);

// What install writes, every part checked.
struct Registration {
  std::string name;
  std::string path;  // absolute, UTF-8
  std::vector<std::string> origins;
  std::vector<std::string> firefox_ids;
};

Registration Validate(const Options& options, const std::string& default_host);
void ValidateName(const std::string& name);

bool IsHostName(std::string_view name);
bool IsOrigin(std::string_view origin);
bool IsFirefoxId(std::string_view id);

extern const char* const kUsage;

}  // namespace ferolant::reg
