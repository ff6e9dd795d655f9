#pragma once
// Every certificate that can sign, from every token p11-kit knows and from the key folder.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "signer/signing_key.h"

namespace tavrin {

class TTokenModules;  // the loaded PKCS#11 modules; token keys use them while they live

struct TKeyInventory {
  std::shared_ptr<TTokenModules> Modules;
  std::vector<TCandidate> Candidates;
  TUnusable Unusable;
  std::vector<std::string> RefusedKeys;  // key files, or the folder, not trusted, and why
};

// $XDG_CONFIG_HOME/ferolant/keys, or ~/.config/ferolant/keys without XDG_CONFIG_HOME; empty
// (no key folder) when neither is an absolute path.
std::filesystem::path KeyFolder();

// Adds what the PKCS#12 files (*.p12, *.pfx) of the folder hold. The folder and each file must
// belong to the person running the host and be writable by nobody else; what is not is listed
// in refusedKeys instead.
void AddKeyFiles(const std::filesystem::path& folder, TKeyInventory& inventory);
// True when the file (device, inode) is one of the folder's entries.
bool IsKeyFile(const std::filesystem::path& folder, std::pair<std::uint64_t, std::uint64_t> file);
// Loads the modules registered with p11-kit and adds what their tokens hold.
void AddTokens(TKeyInventory& inventory);

}  // namespace tavrin
