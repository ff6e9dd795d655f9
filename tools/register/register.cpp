#include "tools/register/register.h"

#include <filesystem>
#include <system_error>

#include "tools/register/manifest.h"
#include "tools/register/options.h"
#include "tools/register/registration.h"
#include "tools/register/utf8_path.h"

namespace ferolant::reg {

std::string Column(std::string_view text, std::size_t width) {
  std::string out(text);
  if (out.size() < width) out.resize(width, ' ');
  return out;
}

int RunRegister(const std::vector<std::string>& args, const std::string& defaultHost,
                std::ostream& out, std::ostream& err) {
  try {
    const TOptions options = ParseOptions(args);
    if (options.Help) {
      out << kUsage;
      return 0;
    }
    if (options.Verb == TVerb::Check) return Check(options, out);
    const TRegistration registration = Validate(options, defaultHost);
    switch (options.Verb) {
      case TVerb::Install:
        return Install(options, registration, out);
      case TVerb::Remove:
        return Remove(options, registration, out);
      case TVerb::Manifest:
        for (TBrowser b : options.Browsers) {
          out << "# " << BrowserName(b) << "\n" << ManifestText(b, registration);
        }
        return 0;
      case TVerb::Check:
        break;
    }
    return 0;
  } catch (const TUsageError& e) {
    err << "ferolant-register: " << e.what() << "\n";
    return 2;
  } catch (const std::filesystem::filesystem_error& e) {
    err << "ferolant-register: " << Utf8FromPath(e.path1()) << ": " << e.code().message() << "\n";
    return 1;
  } catch (const std::system_error& e) {
    err << "ferolant-register: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace ferolant::reg
