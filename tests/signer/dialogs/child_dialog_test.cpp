#include "signer/dialogs/child_dialog.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <functional>

namespace tavrin::dialogs {
namespace {

TEST(ChildDialog, AnswerArrivesWithoutItsLineFeed) {
  struct Case {
    std::vector<std::string> argv;
    std::string expected;
    int exitCode;
  } const cases[] = {
      {{"/usr/bin/printf", "1234\n"}, "1234", 0},
      {{"/usr/bin/printf", "12\n34\n"}, "12\n34", 0},  // only the last line feed ends the answer
      {{"/usr/bin/printf", "p\u00e1ss"}, "p\u00e1ss", 0},
      {{"/bin/false"}, "", 1},
  };
  for (const Case& c : cases) {
    Secret secret;
    std::string text;
    const ChildOutcome viaSecret = RunDialog(c.argv, secret);
    const ChildOutcome viaText = RunDialog(c.argv, text);
    EXPECT_TRUE(viaSecret.started);
    EXPECT_EQ(viaSecret.exitCode, c.exitCode);
    EXPECT_EQ(viaText.exitCode, c.exitCode);
    EXPECT_EQ(secret.View(), c.expected);
    EXPECT_EQ(text, c.expected);
  }
}

// The dialog must not read the browser's pipe, nor keep any of the host's files open.
TEST(ChildDialog, GetsNothingOfTheHostsFiles) {
  std::string input;
  EXPECT_EQ(RunDialog({"/bin/cat"}, input).exitCode, 0);
  EXPECT_EQ(input, "");

  std::string open;
  RunDialog({"/bin/ls", "/proc/self/fd"}, open);
  EXPECT_EQ(open, "0\n1\n2\n3");  // 3 is ls's own look at the folder
}

// Only an exit status that waitpid returned is an answer: a child the process cannot wait for
// (SIGCHLD ignored), one killed, or one whose browser went away (standard input ended) is never
// a yes.
TEST(ChildDialog, AnUnknownExitStatusIsNeverAnAnswer) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::vector<std::string> argv;
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
  for (const Case& c : cases) {
    c.arrange();
    std::string text;
    EXPECT_EQ(RunDialog(c.argv, text).exitCode, -1) << c.name;
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
  const ChildOutcome outcome = RunDialog({"/nonexistent/zenity", "--entry"}, text);
  EXPECT_FALSE(outcome.started);
  const ChildOutcome errors = RunDialog({"/bin/ls", "/nonexistent"}, text);
  EXPECT_TRUE(errors.started);
  EXPECT_NE(errors.errorTail.find("/nonexistent"), std::string::npos);
}

}  // namespace
}  // namespace tavrin::dialogs
