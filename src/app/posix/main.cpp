#include <signal.h>

#include "app/host_main.h"

int main() {
  // An ignored SIGCHLD survives exec: the browser, or whatever started the host, may hand one
  // down, and then the system reaps children itself and no exit status can be known. The
  // signing library's dialogs answer through their exit status.
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigaction(SIGCHLD, &standard, nullptr);
  return RunHostProcess();
}
