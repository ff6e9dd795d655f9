#pragma once
// Which extension asks. The browser names it on the host's command line: Chromium-family
// browsers pass the origin ("chrome-extension://<id>/"), Firefox the path of the host's manifest
// followed by the extension's id.

#include <string>
#include <vector>

namespace tavrin::dialogs {

// `arguments` without the program's own name. Empty when no browser named an extension.
std::string RequesterFromArguments(const std::vector<std::string>& arguments);

// The same, for the running process (read from /proc/self/cmdline).
std::string RequesterOfThisProcess();

}  // namespace tavrin::dialogs
