#include "signer/dialogs/child_dialog.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <functional>

namespace tavrin::dialogs {
namespace {

TEST(ChildDialog, AnswerArrivesWithoutItsLineFeed) {
  struct TCase {
    std::vector<std::string> Argv;
    std::string Expected;
    int ExitCode;
  } const cases[] = {
      {{"/usr/bin/printf", "1234\n"}, "1234", 0},
      {{"/usr/bin/printf", "12\n34\n"}, "12\n34", 0},  // only the last line feed ends the answer
      {{"/usr/bin/printf", "p\u00e1ss"}, "p\u00e1ss", 0},
      {{"/bin/false"}, "", 1},
  };
  for (const TCase& c : cases) {
    TSecret secret;
    std::string text;
    const TChildOutcome viaSecret = RunDialog(c.Argv, secret);
    const TChildOutcome viaText = RunDialog(c.Argv, text);
    EXPECT_TRUE(viaSecret.Started);
    EXPECT_EQ(viaSecret.ExitCode, c.ExitCode);
    EXPECT_EQ(viaText.ExitCode, c.ExitCode);
    EXPECT_EQ(secret.View(), c.Expected);
    EXPECT_EQ(text, c.Expected);
  }
}

// The dialog must not read the browser's pipe, nor keep any of the host's files open.
TEST(ChildDialog, GetsNothingOfTheHostsFiles) {
  std::string input;
  EXPECT_EQ(RunDialog({"/bin/cat"}, input).ExitCode, 0);
  EXPECT_EQ(input, "");

  std::string open;
  RunDialog({"/bin/ls", "/proc/self/fd"}, open);
  EXPECT_EQ(open, "0\n1\n2\n3");  // 3 is ls's own look at the folder
}

// Only an exit status that waitpid returned is an answer: a child the process cannot wait for
// (SIGCHLD ignored), one killed, or one whose browser went away (standard input ended) is never
// a yes.
TEST(ChildDialog, AnUnknownExitStatusIsNeverAnAnswer) {
  struct TCase {
    const char* Name;
    std::function<void()> Arrange;
    std::vector<std::string> Argv;
  } const cases[] = {
      {"SIGCHLD ignored", [] { signal(SIGCHLD, SIG_IGN); }, {"/bin/true"}},
      {"killed", [] {}, {"/bin/sh", "-c", "kill -9 $$"}},
      {"browser gone",
       [] {
         int fds[2];
         ASSERT_EQ(pipe(fds), 0);
         dup2(fds[0], 0);
         close(fds[0]);
         close(fds[1]);
       },
       {"/bin/sh", "-c", "sleep 30; exit 0"}},
  };
  const int input = dup(0);
  for (const TCase& c : cases) {
    c.Arrange();
    std::string text;
    EXPECT_EQ(RunDialog(c.Argv, text).ExitCode, -1) << c.Name;
    signal(SIGCHLD, SIG_DFL);
    dup2(input, 0);
  }
  close(input);
}

// The dialog gets what a window needs, and none of the host's other variables.
TEST(ChildDialog, GetsOnlyTheEnvironmentOfAWindow) {
  setenv("DISPLAY", ":57", 1);
  setenv("GTK_MODULES", "/tmp/evil.so", 1);
  setenv("SOFTHSM2_CONF", "/tmp/tokens.conf", 1);
  std::string seen;
  RunDialog({"/usr/bin/env"}, seen, {"GTK_MODULES=/guard.so"});
  for (const char* kept : {"DISPLAY=:57\n", "PATH=/usr/bin:/bin\n", "GTK_MODULES=/guard.so"}) {
    EXPECT_NE(seen.find(kept), std::string::npos) << seen;
  }
  for (const char* gone : {"evil", "SOFTHSM2_CONF"}) EXPECT_EQ(seen.find(gone), std::string::npos);
}

TEST(ChildDialog, MissingProgramIsReportedAsNotStarted) {
  std::string text;
  const TChildOutcome outcome = RunDialog({"/nonexistent/zenity", "--entry"}, text);
  EXPECT_FALSE(outcome.Started);
  const TChildOutcome errors = RunDialog({"/bin/ls", "/nonexistent"}, text);
  EXPECT_TRUE(errors.Started);
  EXPECT_NE(errors.ErrorTail.find("/nonexistent"), std::string::npos);
}

}  // namespace
}  // namespace tavrin::dialogs
