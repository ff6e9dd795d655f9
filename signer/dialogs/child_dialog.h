#pragma once
// Runs a dialog program as a child process and collects what it prints. The program gets its
// arguments as an argument vector (no shell reads them), nothing on its standard input, none of
// the host's other files, and only the environment a window needs: the host's standard input
// and output are the browser's pipe, and the rest of its environment is not the dialog's
// business.
//
// The child never outlives the dialog's caller: it is killed when the host's standard input
// ends (the browser went away) and when the host itself dies.

#include <string>
#include <vector>

#include "signer/secret.h"

namespace tavrin::dialogs {

struct TChildOutcome {
  bool Started = false;  // false: the program could not be run at all (missing, no memory)
  // The program's exit status, as waitpid reported it; -1 when it died of a signal, was killed
  // because the browser went away, or its status could not be known (another part of the
  // process reaped it, SIGCHLD ignored). Only a known 0 is ever an answer.
  int ExitCode = -1;
  std::string ErrorTail;  // the end of what it wrote to its error output, for telling causes apart
};

// Runs `argv` (argv[0] a full path, never looked up in PATH) and waits for it. Its standard output
// goes into `output`, which is never copied elsewhere; one trailing line feed is dropped.
// `extraEnvironment` ("NAME=value") comes on top of what the window needs.
TChildOutcome RunDialog(const std::vector<std::string>& argv, TSecret& output,
                        const std::vector<std::string>& extraEnvironment = {});

// The same for answers that are not secret.
TChildOutcome RunDialog(const std::vector<std::string>& argv, std::string& output,
                        const std::vector<std::string>& extraEnvironment = {});

// The variables passed on to a dialog from `environment` (a null-ended "NAME=value" list): what
// GTK needs to reach the display, the session and the person's language and theme; nothing else.
std::vector<std::string> DialogEnvironment(char* const* environment);

}  // namespace tavrin::dialogs
