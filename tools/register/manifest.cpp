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

using client::JsonLite;
namespace fs = std::filesystem;

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    out += (i ? ",\n    " : "\n    ") + client::JsonQuote(items[i]);
  }
  return out + (items.empty() ? "]" : "\n  ]");
}

// A value as people read it in a message: text in single quotes, None when absent.
std::string Shown(const JsonLite* value) {
  if (value == nullptr) return "None";
  switch (value->kind) {
    case JsonLite::Kind::kNull:
      return "None";
    case JsonLite::Kind::kBool:
      return value->boolean ? "True" : "False";
    case JsonLite::Kind::kNumber:
      return value->number;
    case JsonLite::Kind::kString:
      return "'" + client::Utf16ToDisplay(value->text) + "'";
    case JsonLite::Kind::kArray: {
      std::string out = "[";
      for (std::size_t i = 0; i < value->items.size(); ++i) {
        out += (i ? ", " : "") + Shown(&value->items[i]);
      }
      return out + "]";
    }
    case JsonLite::Kind::kObject:
      return "{...}";
  }
  return "?";
}

std::string Utf8(const JsonLite& text) { return EncodeUtf8(text.text, TUtf8Mode::umReplace); }

// The allowed origins or extension ids: present, not empty, each well formed.
void CheckAllowed(Browser browser, const JsonLite& manifest, ManifestCheck& check,
                  std::vector<std::string>& problems) {
  const bool firefox = IsFirefoxFamily(browser);
  const char* member = firefox ? "allowed_extensions" : "allowed_origins";
  const JsonLite* list = manifest.Find(DecodeUtf8(member, TUtf8Mode::umReplace));
  if (list == nullptr || list->kind != JsonLite::Kind::kArray || list->items.empty()) {
    problems.push_back(std::string("\"") + member + "\" is missing or empty");
    return;
  }
  JsonLite bad;
  bad.kind = JsonLite::Kind::kArray;
  std::string all;
  for (const JsonLite& item : list->items) {
    const bool good = item.kind == JsonLite::Kind::kString &&
                      (firefox ? IsFirefoxId(Utf8(item)) : IsOrigin(Utf8(item)));
    if (!good) bad.items.push_back(item);
    all += (all.empty() ? "" : ", ") +
           (item.kind == JsonLite::Kind::kString ? Utf8(item) : Shown(&item));
  }
  if (!bad.items.empty()) {
    problems.push_back(firefox ? "\"allowed_extensions\" has malformed ids: " + Shown(&bad)
                               : "\"allowed_origins\" has entries other than "
                                 "chrome-extension://<32 letters a-p>/: " +
                                     Shown(&bad));
  }
  check.lines.push_back(std::string(firefox ? "allowed extensions: " : "allowed origins: ") + all);
}

// The executable a manifest names, and whether it starts as a host.
void CheckHost(const fs::path& path, HostOfScript host_of, ManifestCheck& check,
               std::vector<std::string>& problems) {
  const std::string shown = Utf8FromPath(path);
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    problems.push_back("\"path\" " + shown + " does not exist");
  } else if (!fs::is_regular_file(path, ec)) {
    problems.push_back("\"path\" " + shown + " is not a file");
  } else if (!IsExecutable(path)) {
    problems.push_back("\"path\" " + shown + " is not executable");
  } else if (host_of) {
    check.lines.push_back("path: " + shown + " (executable file)");
    const std::optional<std::string> host = host_of(shown);
    if (!host) {
      problems.push_back("\"path\" " + shown +
                         " is not the script that starts the host outside the sandbox: run "
                         "ferolant-register install");
    } else {
      check.lines.push_back("which starts outside the sandbox:");
      CheckHost(PathFromUtf8(*host), nullptr, check, problems);
    }
  } else {
    check.lines.push_back("path: " + shown + " (executable file)");
    const ProbeResult probe = ProbeHost(shown);
    (probe.ok ? check.lines : problems).push_back("host " + probe.text);
  }
}

void CheckPath(const JsonLite& manifest, const fs::path& file, bool relative_paths_allowed,
               HostOfScript host_of, ManifestCheck& check, std::vector<std::string>& problems) {
  const JsonLite* member = manifest.Find(u"path");
  if (member == nullptr || member->kind != JsonLite::Kind::kString || member->text.empty()) {
    problems.push_back("\"path\" is missing");
    return;
  }
  fs::path path = PathFromUtf8(Utf8(*member));
  if (!path.is_absolute()) {
    if (!relative_paths_allowed) {
      problems.push_back("\"path\" " + Shown(member) + " is not absolute");
      return;
    }
    path = file.parent_path() / path;
  }
  CheckHost(path, host_of, check, problems);
}

}  // namespace

std::string ManifestText(Browser browser, const Registration& r) {
  const bool firefox = IsFirefoxFamily(browser);
  return "{\n  \"name\": " + client::JsonQuote(r.name) +
         ",\n  \"description\": " + client::JsonQuote(kDescription) +
         ",\n  \"path\": " + client::JsonQuote(r.path) + ",\n  \"type\": \"stdio\",\n  " +
         (firefox ? "\"allowed_extensions\": " + JsonList(r.firefox_ids)
                  : "\"allowed_origins\": " + JsonList(r.origins)) +
         "\n}\n";
}

ManifestCheck CheckManifest(Browser browser, const std::string& file, const std::string& name,
                            bool relative_paths_allowed, HostOfScript host_of) {
  ManifestCheck check;
  const fs::path where = PathFromUtf8(file);
  std::ifstream in(where, std::ios::binary);
  std::ostringstream raw;
  if (!in || !(raw << in.rdbuf())) {
    check.lines.push_back("cannot be read");
    return check;
  }
  const client::JsonLiteResult parsed = client::ParseJsonLite(raw.str());
  if (!parsed.value) {
    check.lines.push_back("does not parse as JSON: " + parsed.error);
    return check;
  }
  const JsonLite& manifest = *parsed.value;
  if (manifest.kind != JsonLite::Kind::kObject) {
    check.lines.push_back("is not a JSON object");
    return check;
  }
  std::vector<std::string> problems;
  const JsonLite* found_name = manifest.Find(u"name");
  if (found_name == nullptr || found_name->kind != JsonLite::Kind::kString ||
      Utf8(*found_name) != name) {
    problems.push_back("\"name\" is " + Shown(found_name) + ", but the file is for '" + name + "'");
  }
  const JsonLite* type = manifest.Find(u"type");
  if (type == nullptr || type->kind != JsonLite::Kind::kString || Utf8(*type) != "stdio") {
    problems.push_back("\"type\" is " + Shown(type) + ", must be \"stdio\"");
  }
  CheckAllowed(browser, manifest, check, problems);
  CheckPath(manifest, where, relative_paths_allowed, host_of, check, problems);
  for (const std::string& p : problems) check.lines.push_back("PROBLEM: " + p);
  check.ok = problems.empty();
  return check;
}

}  // namespace ferolant::reg
