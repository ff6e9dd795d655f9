#include <stdio.h>

#include <array>
#include <fstream>
#include <memory>
#include <sstream>

#include "tools/register/sandbox.h"

namespace ferolant::reg {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSpawnLine = "exec flatpak-spawn --host ";

// A shell word that stands for text exactly.
std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Where flatpak keeps the app's permissions: the person's and the administrator's overrides,
// then what the app itself asks for.
std::vector<fs::path> FlatpakPermissionFiles(const std::string& app) {
  std::vector<fs::path> files;
  for (const fs::path& root : {DataHome() / "flatpak", fs::path("/var/lib/flatpak")}) {
    files.push_back(root / "overrides" / app);
    files.push_back(root / "app" / app / "current/active/metadata");
  }
  return files;
}

// The "[Session Bus Policy]" line that lets the app ask flatpak to run programs outside.
bool GrantsSpawn(const std::string& keyfile) {
  std::istringstream lines(keyfile);
  bool inPolicy = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("[")) inPolicy = line.starts_with("[Session Bus Policy]");
    if (inPolicy && line == "org.freedesktop.Flatpak=talk") return true;
  }
  return false;
}

struct TOutput {
  int Status = -1;
  std::string Text;
};

// A fixed command line (the host name is checked before it gets here), its output and status.
TOutput Run(const std::string& command) {
  TOutput out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>&1").c_str(), "r"), ::pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer;
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0;) {
    out.Text.append(buffer.data(), n);
  }
  out.Status = ::pclose(pipe.release());
  return out;
}

TSandboxVerdict CheckFlatpakSpawn(const TSandbox& sandbox) {
  TSandboxVerdict verdict;
  for (const fs::path& file : FlatpakPermissionFiles(sandbox.App)) {
    if (GrantsSpawn(ReadAll(file))) {
      verdict.Starts = true;
      verdict.Lines.push_back("sandbox: flatpak " + sandbox.App +
                              " may start programs outside it (" + file.string() +
                              "): it will start the host");
      return verdict;
    }
  }
  verdict.Lines = {
      "sandbox: flatpak " + sandbox.App +
          " may not start programs outside it, so it will NOT "
          "start the host",
      "TO DO: allow it once (this lets the browser run any program as you):",
      "  flatpak override --user --talk-name=org.freedesktop.Flatpak " + sandbox.App,
  };
  return verdict;
}

TSandboxVerdict CheckPortal(const TSandbox& sandbox, const std::string& name) {
  TSandboxVerdict verdict;
  const std::string lookup =
      "gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore --object-path "
      "/org/freedesktop/impl/portal/PermissionStore --method "
      "org.freedesktop.impl.portal.PermissionStore.Lookup webextensions " +
      name;
  const TOutput found = Run(lookup);
  const std::string entry = "'" + sandbox.App + "': ['";
  const std::size_t at = found.Text.find(entry);
  const std::string answer = at == std::string::npos ? "" : found.Text.substr(at + entry.size(), 4);
  const std::string head = "sandbox: " + sandbox.App + " asks the desktop portal to start the host";
  if (found.Status == 0 && answer == "yes'") {
    verdict.Starts = true;
    verdict.Lines.push_back(head + "; the person allowed it: it will start the host");
    return verdict;
  }
  if (found.Status == 0 || found.Text.find("No entry for") != std::string::npos) {
    verdict.Lines.push_back(
        head + ", which it will NOT do: " +
        (answer.starts_with("no'") ? "the person said no" : "no one has allowed it yet"));
  } else {
    verdict.Lines.push_back(head +
                            "; whether the person allowed it is unknown (no session bus "
                            "or no gdbus here), so it may NOT start the host");
  }
  verdict.Lines.push_back("TO DO: allow it once, with either command:");
  verdict.Lines.push_back("  flatpak permission-set webextensions " + name + " " + sandbox.App +
                          " yes");
  verdict.Lines.push_back(
      "  gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore --object-path "
      "/org/freedesktop/impl/portal/PermissionStore --method "
      "org.freedesktop.impl.portal.PermissionStore.SetPermission webextensions true " +
      name + " " + sandbox.App + " \"['yes']\"");
  verdict.Lines.push_back(
      "  (the desktop portal must offer WebExtensions; Firefox uses it while about:config's "
      "widget.use-xdg-desktop-portal.native-messaging is not 0)");
  return verdict;
}

}  // namespace

fs::path SpawnScriptPath(const TSandbox& sandbox, const std::string& name) {
  return Home() / ".var/app" / sandbox.App / "data/ferolant" / name;
}

std::string SpawnScriptText(const std::string& host) {
  return "#!/bin/sh\n"
         "# Written by ferolant-register: the browser runs in a flatpak sandbox, and the host\n"
         "# runs outside it.\n" +
         std::string(kSpawnLine) + ShellQuoted(host) + " \"$@\"\n";
}

std::optional<std::string> SpawnedHost(const std::string& script) {
  std::istringstream lines(ReadAll(script));
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with(kSpawnLine)) continue;
    std::string host;
    // The one word that ShellQuoted made, then " "$@"".
    std::size_t i = std::string(kSpawnLine).size();
    for (bool quoted = false; i < line.size(); ++i) {
      const char c = line[i];
      if (c == '\'') {
        quoted = !quoted;
      } else if (c == '\\' && !quoted && i + 1 < line.size()) {
        host += line[++i];
      } else if (c == ' ' && !quoted) {
        break;
      } else {
        host += c;
      }
    }
    return host;
  }
  return std::nullopt;
}

TSandboxVerdict CheckSandbox(const TSandbox& sandbox, const std::string& name) {
  switch (sandbox.Kind) {
    case TSandboxKind::FlatpakSpawn:
      return CheckFlatpakSpawn(sandbox);
    case TSandboxKind::Portal:
      return CheckPortal(sandbox, name);
    case TSandboxKind::None:
      break;
  }
  return {true, {}};
}

}  // namespace ferolant::reg
