#include "signer/dialogs/child_dialog.h"

#include <gtest/gtest.h>

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
