#include "tools/register/manifest.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "text/utf8_codec.h"
#include "tools/client/json_lite.h"
#include "tools/client/text.h"
#include "tools/register/executable.h"
#include "tools/register/host_probe.h"
#include "tools/register/utf8_path.h"

namespace ferolant::reg {
namespace {

using client::TJsonLite;
namespace fs = std::filesystem;

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    out += (i ? ",\n    " : "\n    ") + client::JsonQuote(items[i]);
  }
  return out + (items.empty() ? "]" : "\n  ]");
}

// A value as people read it in a message: text in single quotes, None when absent.
std::string Shown(const TJsonLite* value) {
  if (value == nullptr) return "None";
  switch (value->Kind) {
    case TJsonLite::TKind::Null:
      return "None";
    case TJsonLite::TKind::Bool:
      return value->Boolean ? "True" : "False";
    case TJsonLite::TKind::Number:
      return value->Number;
    case TJsonLite::TKind::String:
      return "'" + client::Utf16ToDisplay(value->Text) + "'";
    case TJsonLite::TKind::Array: {
      std::string out = "[";
      for (std::size_t i = 0; i < value->Items.size(); ++i) {
        out += (i ? ", " : "") + Shown(&value->Items[i]);
      }
      return out + "]";
    }
    case TJsonLite::TKind::Object:
      return "{...}";
  }
  return "?";
}

std::string Utf8(const TJsonLite& text) { return EncodeUtf8(text.Text, TUtf8Mode::umReplace); }

// The allowed origins or extension ids: present, not empty, each well formed.
void CheckAllowed(TBrowser browser, const TJsonLite& manifest, TManifestCheck& check,
                  std::vector<std::string>& problems) {
  const bool firefox = IsFirefoxFamily(browser);
  const char* member = firefox ? "allowed_extensions" : "allowed_origins";
  const TJsonLite* list = manifest.Find(DecodeUtf8(member, TUtf8Mode::umReplace));
  if (list == nullptr || list->Kind != TJsonLite::TKind::Array || list->Items.empty()) {
    problems.push_back(std::string("\"") + member + "\" is missing or empty");
    return;
  }
  TJsonLite bad;
  bad.Kind = TJsonLite::TKind::Array;
  std::string all;
  for (const TJsonLite& item : list->Items) {
    const bool good = item.Kind == TJsonLite::TKind::String &&
                      (firefox ? IsFirefoxId(Utf8(item)) : IsOrigin(Utf8(item)));
    if (!good) bad.Items.push_back(item);
    all += (all.empty() ? "" : ", ") +
           (item.Kind == TJsonLite::TKind::String ? Utf8(item) : Shown(&item));
  }
  if (!bad.Items.empty()) {
    problems.push_back(firefox ? "\"allowed_extensions\" has malformed ids: " + Shown(&bad)
                               : "\"allowed_origins\" has entries other than "
                                 "chrome-extension://<32 letters a-p>/: " +
                                     Shown(&bad));
  }
  check.Lines.push_back(std::string(firefox ? "allowed extensions: " : "allowed origins: ") + all);
}

// The executable a manifest names, and whether it starts as a host.
void CheckHost(const fs::path& path, THostOfScript hostOf, TManifestCheck& check,
               std::vector<std::string>& problems) {
  const std::string shown = Utf8FromPath(path);
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    problems.push_back("\"path\" " + shown + " does not exist");
  } else if (!fs::is_regular_file(path, ec)) {
    problems.push_back("\"path\" " + shown + " is not a file");
  } else if (!IsExecutable(path)) {
    problems.push_back("\"path\" " + shown + " is not executable");
  } else if (hostOf) {
    check.Lines.push_back("path: " + shown + " (executable file)");
    const std::optional<std::string> host = hostOf(shown);
    if (!host) {
      problems.push_back("\"path\" " + shown +
                         " is not the script that starts the host outside the sandbox: run "
                         "ferolant-register install");
    } else {
      check.Lines.push_back("which starts outside the sandbox:");
      CheckHost(PathFromUtf8(*host), nullptr, check, problems);
    }
  } else {
    check.Lines.push_back("path: " + shown + " (executable file)");
    const TProbeResult probe = ProbeHost(shown);
    (probe.Ok ? check.Lines : problems).push_back("host " + probe.Text);
  }
}

void CheckPath(const TJsonLite& manifest, const fs::path& file, bool relativePathsAllowed,
               THostOfScript hostOf, TManifestCheck& check, std::vector<std::string>& problems) {
  const TJsonLite* member = manifest.Find(u"path");
  if (member == nullptr || member->Kind != TJsonLite::TKind::String || member->Text.empty()) {
    problems.push_back("\"path\" is missing");
    return;
  }
  fs::path path = PathFromUtf8(Utf8(*member));
  if (!path.is_absolute()) {
    if (!relativePathsAllowed) {
      problems.push_back("\"path\" " + Shown(member) + " is not absolute");
      return;
    }
    path = file.parent_path() / path;
  }
  CheckHost(path, hostOf, check, problems);
}

}  // namespace

std::string ManifestText(TBrowser browser, const TRegistration& r) {
  const bool firefox = IsFirefoxFamily(browser);
  return "{\n  \"name\": " + client::JsonQuote(r.Name) +
         ",\n  \"description\": " + client::JsonQuote(kDescription) +
         ",\n  \"path\": " + client::JsonQuote(r.Path) + ",\n  \"type\": \"stdio\",\n  " +
         (firefox ? "\"allowed_extensions\": " + JsonList(r.FirefoxIds)
                  : "\"allowed_origins\": " + JsonList(r.Origins)) +
         "\n}\n";
}

TManifestCheck CheckManifest(TBrowser browser, const std::string& file, const std::string& name,
                             bool relativePathsAllowed, THostOfScript hostOf) {
  TManifestCheck check;
  const fs::path where = PathFromUtf8(file);
  std::ifstream in(where, std::ios::binary);
  std::ostringstream raw;
  if (!in || !(raw << in.rdbuf())) {
    check.Lines.push_back("cannot be read");
    return check;
  }
  const client::TJsonLiteResult parsed = client::ParseJsonLite(raw.str());
  if (!parsed.Value) {
    check.Lines.push_back("does not parse as JSON: " + parsed.Error);
    return check;
  }
  const TJsonLite& manifest = *parsed.Value;
  if (manifest.Kind != TJsonLite::TKind::Object) {
    check.Lines.push_back("is not a JSON object");
    return check;
  }
  std::vector<std::string> problems;
  const TJsonLite* foundName = manifest.Find(u"name");
  if (foundName == nullptr || foundName->Kind != TJsonLite::TKind::String ||
      Utf8(*foundName) != name) {
    problems.push_back("\"name\" is " + Shown(foundName) + ", but the file is for '" + name + "'");
  }
  const TJsonLite* type = manifest.Find(u"type");
  if (type == nullptr || type->Kind != TJsonLite::TKind::String || Utf8(*type) != "stdio") {
    problems.push_back("\"type\" is " + Shown(type) + ", must be \"stdio\"");
  }
  CheckAllowed(browser, manifest, check, problems);
  CheckPath(manifest, where, relativePathsAllowed, hostOf, check, problems);
  for (const std::string& p : problems) check.Lines.push_back("PROBLEM: " + p);
  check.Ok = problems.empty();
  return check;
}

}  // namespace ferolant::reg
