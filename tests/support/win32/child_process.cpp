// Windows has no signals (SendSignal and WaitUntilCatching are left undefined, so a test that
// needs them does not link): a process always ends with an exit code of its own.
#include "tests/support/child_process.h"

TExitStatus ExitStatusOf(int status) noexcept { return TExitStatus{true, status}; }
