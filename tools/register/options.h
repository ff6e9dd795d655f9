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
enum class Browser { kChrome, kChromium, kEdge, kBrave, kFirefox };

inline constexpr std::array<Browser, 5> kAllBrowsers = {
    Browser::kChrome, Browser::kChromium, Browser::kEdge, Browser::kBrave, Browser::kFirefox};

std::string_view BrowserName(Browser browser) noexcept;

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
