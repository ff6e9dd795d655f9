#pragma once
// Runs a dialog program as a child process and collects what it prints. The program gets its
// arguments as an argument vector (no shell reads them), nothing on its standard input, and
// none of the host's other files: the host's standard input and output are the browser's pipe.

#include <string>
#include <vector>

#include "signer/secret.h"

namespace tavrin::dialogs {

struct ChildOutcome {
  bool started = false;   // false: the program could not be run at all (missing, no memory)
  int exitCode = -1;      // the program's exit status; -1 when it died of a signal
  std::string errorTail;  // the end of what it wrote to its error output, for telling causes apart
};

// Runs `argv` (argv[0] a full path, never looked up in PATH) and waits for it. Its standard output
// goes into `output`, which is never copied elsewhere; one trailing line feed is dropped.
ChildOutcome RunDialog(const std::vector<std::string>& argv, Secret& output);

// The same for answers that are not secret.
ChildOutcome RunDialog(const std::vector<std::string>& argv, std::string& output);

}  // namespace tavrin::dialogs
