#pragma once
// Every certificate that can sign, from every token p11-kit knows and from the key folder.

#include <filesystem>
#include <memory>
#include <vector>

#include "signing_key.h"

namespace tavrin {

class TokenModules;  // the loaded PKCS#11 modules; token keys use them while they live

struct KeyInventory {
  std::shared_ptr<TokenModules> modules;
  std::vector<Candidate> candidates;
  Unusable unusable;
};

// $XDG_CONFIG_HOME/ferolant/keys, or ~/.config/ferolant/keys without XDG_CONFIG_HOME.
std::filesystem::path KeyFolder();

// Adds what the PKCS#12 files (*.p12, *.pfx) of the folder hold.
void AddKeyFiles(const std::filesystem::path& folder, KeyInventory& inventory);
// Loads the modules registered with p11-kit and adds what their tokens hold.
void AddTokens(KeyInventory& inventory);

}  // namespace tavrin
